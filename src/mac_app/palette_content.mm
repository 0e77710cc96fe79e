#include "mac_app/palette_content.hpp"

#include "mac_app/content_kit.hpp"
#include "platform/views/palette_view.hpp"

namespace {
constexpr double kWidth = 600;
}

@implementation CVPaletteContent {  CVBlockTextField* _search;
}
- (instancetype)initWithSink:(corvane::platform::macos::PanelActionSink)sink {
  if ((self = [super initWithSink:std::move(sink)])) {
    _search = [[CVBlockTextField alloc] initWithFrame:NSMakeRect(0, 0, kWidth - 40, 30)];
    _search.bezeled = NO;
    _search.drawsBackground = NO;
    _search.focusRingType = NSFocusRingTypeNone;
    _search.font = corvane::mac_app::font(20);
    _search.translatesAutoresizingMaskIntoConstraints = NO;
    [_search.widthAnchor constraintEqualToConstant:kWidth - 70].active = YES;
    CVContentView* __weak weakSelf = self;
    _search.onChange = ^(NSString* text) {
      [weakSelf send:corvane::mac_app::textAction("query", corvane::mac_app::str(text))];
    };
    // Up, down, return and escape drive the list while the field keeps the focus.
    _search.onKey = ^BOOL(NSString* key) {
      [weakSelf send:corvane::mac_app::keyAction(corvane::mac_app::str(key))];
      return YES;
    };
  }
  return self;
}

- (NSView*)badge:(const std::string&)text {
  const auto& m = *modelOf<views::PaletteView>(self);
  return [[CVKeyBadge alloc] initWithText:ns(text)
                                     fill:corvane::mac_app::color(m.badgeFill)
                                   border:corvane::mac_app::color(m.badgeBorder)
                                textColor:corvane::mac_app::color(m.badgeText)
                                 fontSize:11.5];
}

- (NSView*)row:(const views::PaletteRowView&)row {
  NSMutableArray<NSView*>* keys = [NSMutableArray array];
  for (const auto& key : row.keys) [keys addObject:[self badge:key]];
  NSStackView* keyStack = stack(StackAxis::horizontal, 3, keys);
  [keyStack.widthAnchor constraintEqualToConstant:110].active = YES;
  NSStackView* words = stack(StackAxis::vertical, 1, @[
    label(row.name, 14, FontWeight::medium), label(row.place, 11, FontWeight::regular, [NSColor secondaryLabelColor])
  ]);
  NSStackView* line = stack(StackAxis::horizontal, 12, @[ keyStack, words ]);
  line.edgeInsets = NSEdgeInsetsMake(6, 10, 6, 10);
  [line.widthAnchor constraintEqualToConstant:kWidth - 24].active = YES;
  if (row.selected) {
    line.wantsLayer = YES;
    line.layer.cornerRadius = 8;
    line.layer.backgroundColor = [[NSColor selectedContentBackgroundColor] colorWithAlphaComponent:0.35].CGColor;
  }
  return line;
}

- (void)render {
  corvane::mac_app::clear(self);
  const auto& m = *modelOf<views::PaletteView>(self);
  _search.placeholderString = ns(m.placeholder);
  [_search setTextKeepingSelection:ns(m.query)];

  NSView* magnifier = corvane::mac_app::symbol("magnifyingglass", 16, [NSColor secondaryLabelColor]);
  NSMutableArray<NSView*>* rows = [NSMutableArray arrayWithObject:stack(StackAxis::horizontal, 10, @[ magnifier, _search ])];
  NSBox* line = [[NSBox alloc] initWithFrame:NSZeroRect];
  line.boxType = NSBoxSeparator;
  [line.widthAnchor constraintEqualToConstant:kWidth - 24].active = YES;
  [rows addObject:line];

  if (m.heading) [rows addObject:label(*m.heading, 11, FontWeight::semibold, [NSColor secondaryLabelColor])];
  if (m.emptyText) {
    [rows addObject:label(*m.emptyText, 13, FontWeight::regular, [NSColor secondaryLabelColor])];
  } else {
    for (const auto& row : m.rows) [rows addObject:[self row:row]];
  }

  NSMutableArray<NSView*>* footer =
      [NSMutableArray arrayWithObject:label(m.footerInstruction, 11, FontWeight::regular, [NSColor secondaryLabelColor])];
  NSView* spacer = corvane::mac_app::flexibleSpace();
  [footer addObject:spacer];
  for (const auto& key : m.footerKeys) {
    [footer addObject:[self badge:key.key]];
    [footer addObject:label(key.text, 11, FontWeight::regular, [NSColor secondaryLabelColor])];
  }
  NSStackView* footerRow = stack(StackAxis::horizontal, 6, footer);
  [footerRow.widthAnchor constraintEqualToConstant:kWidth - 24].active = YES;
  [rows addObject:footerRow];

  NSStackView* root = stack(StackAxis::vertical, 8, rows);
  [self addSubview:root];
  corvane::mac_app::pin(root, self, NSEdgeInsetsMake(14, 12, 12, 12));
  // Opening the palette puts the caret in the field.
  if (self.window != nil && self.window.firstResponder == self.window) [self.window makeFirstResponder:_search];
}

- (void)viewDidMoveToWindow {
  [super viewDidMoveToWindow];
  if (self.window != nil) [self.window makeFirstResponder:_search];
}

@end
