#include "mac_app/report_content.hpp"

#include "mac_app/content_kit.hpp"
#include "platform/views/report_view.hpp"

namespace {
constexpr double kWidth = 460;
}

/// Reports every change of the typed text.
@interface CVReportTextDelegate : NSObject <NSTextViewDelegate>
@property(nonatomic, copy) void (^onChange)(NSString* text);
@end

@implementation CVReportTextDelegate
- (void)textDidChange:(NSNotification*)notification {
  NSTextView* view = notification.object;
  if (self.onChange) self.onChange(view.string);
}
@end

@implementation CVReportContent {  NSScrollView* _detailsScroll;
  NSTextView* _details;
  CVReportTextDelegate* _detailsDelegate;
}
- (instancetype)initWithSink:(corvane::platform::macos::PanelActionSink)sink {
  if ((self = [super initWithSink:std::move(sink)])) {
    _detailsScroll = [NSTextView scrollableTextView];
    _detailsScroll.translatesAutoresizingMaskIntoConstraints = NO;
    _detailsScroll.borderType = NSBezelBorder;
    [_detailsScroll.widthAnchor constraintEqualToConstant:kWidth].active = YES;
    [_detailsScroll.heightAnchor constraintEqualToConstant:110].active = YES;
    _details = (NSTextView*)_detailsScroll.documentView;
    _details.font = corvane::mac_app::font(13);
    _details.richText = NO;
    _detailsDelegate = [[CVReportTextDelegate alloc] init];
    CVContentView* __weak weakSelf = self;
    _detailsDelegate.onChange = ^(NSString* text) {
      [weakSelf send:corvane::mac_app::textAction("details", corvane::mac_app::str(text))];
    };
    _details.delegate = _detailsDelegate;
  }
  return self;
}

- (void)render {
  bool typing = self.window.firstResponder == _details;
  corvane::mac_app::clear(self);
  const auto& m = *modelOf<views::ReportView>(self);
  NSMutableArray<NSView*>* rows = [NSMutableArray array];

  [rows addObject:label(m.fieldLabel, 13, FontWeight::semibold)];
  NSString* details = ns(m.details);
  if (![_details.string isEqualToString:details]) _details.string = details;
  _details.toolTip = ns(m.placeholder);
  [rows addObject:_detailsScroll];
  if (m.details.empty()) [rows addObject:label(m.placeholder, 11, FontWeight::regular, [NSColor tertiaryLabelColor])];

  [rows addObject:[self checkBoxTitled:m.includeLogTitle on:m.includeLog toggling:"includeLog"]];
  [rows addObject:wrappingLabel(m.includeLogLine, 11, kWidth, [NSColor secondaryLabelColor])];
  [rows addObject:[self checkBoxTitled:m.includedTitle on:m.showIncluded toggling:"showIncluded"]];
  if (m.showIncluded && !m.included.empty()) {
    NSScrollView* preview = [NSTextView scrollableTextView];
    preview.translatesAutoresizingMaskIntoConstraints = NO;
    [preview.widthAnchor constraintEqualToConstant:kWidth].active = YES;
    [preview.heightAnchor constraintEqualToConstant:140].active = YES;
    NSTextView* text = (NSTextView*)preview.documentView;
    text.editable = NO;
    text.font = [NSFont monospacedSystemFontOfSize:10 weight:NSFontWeightRegular];
    text.string = ns(m.included);
    [rows addObject:preview];
  }
  [rows addObject:wrappingLabel(m.privacyNote, 11, kWidth, [NSColor secondaryLabelColor])];
  if (m.notice) [rows addObject:wrappingLabel(*m.notice, 12, kWidth, [NSColor systemOrangeColor])];

  CVBlockButton* send = [self buttonTitled:m.send.title sending:corvane::mac_app::buttonAction(m.send.id)];
  send.keyEquivalent = @"\r";
  NSView* spacer = corvane::mac_app::flexibleSpace();
  NSStackView* buttons = stack(StackAxis::horizontal, 8, @[ spacer, send ]);
  [buttons.widthAnchor constraintEqualToConstant:kWidth].active = YES;
  [rows addObject:buttons];

  NSStackView* root = stack(StackAxis::vertical, 8, rows);
  [self addSubview:root];
  corvane::mac_app::pin(root, self, NSEdgeInsetsMake(20, 20, 20, 20));
  if (typing) [self.window makeFirstResponder:_details];
}

@end
