#include "mac_app/update_content.hpp"

#include <string>
#include <vector>

#include "mac_app/content_kit.hpp"
#include "platform/views/update_view.hpp"

namespace {
constexpr double kTextWidth = 420;
constexpr double kNotesHeight = 150;

/// The notes as plain, read-only text in a scroll view of a fixed height, so a long list never
/// pushes the buttons off the screen.
NSScrollView* notesView(const std::vector<std::string>& notes) {
  std::string text;
  for (const auto& note : notes) text += (text.empty() ? "•  " : "\n•  ") + note;
  NSScrollView* scroll = [NSTextView scrollableTextView];
  scroll.translatesAutoresizingMaskIntoConstraints = NO;
  scroll.borderType = NSNoBorder;
  scroll.drawsBackground = NO;
  [scroll.widthAnchor constraintEqualToConstant:kTextWidth].active = YES;
  [scroll.heightAnchor constraintEqualToConstant:kNotesHeight].active = YES;
  NSTextView* view = (NSTextView*)scroll.documentView;
  view.editable = NO;
  view.selectable = YES;
  view.richText = NO;
  view.drawsBackground = NO;
  view.font = corvane::mac_app::font(12);
  view.textColor = [NSColor secondaryLabelColor];
  view.string = corvane::mac_app::ns(text);
  return scroll;
}
}  // namespace

@implementation CVUpdateContent

- (void)render {
  corvane::mac_app::clear(self);
  const auto& m = *modelOf<views::UpdateView>(self);
  NSMutableArray<NSView*>* rows = [NSMutableArray array];

  NSImage* appIcon = [NSApp applicationIconImage];
  NSImageView* icon = [NSImageView imageViewWithImage:appIcon != nil ? appIcon : [[NSImage alloc] init]];
  [icon.widthAnchor constraintEqualToConstant:48].active = YES;
  [icon.heightAnchor constraintEqualToConstant:48].active = YES;
  [rows addObject:stack(StackAxis::horizontal, 12, @[ icon, label(m.title, 15, FontWeight::semibold) ])];
  if (!m.text.empty()) [rows addObject:corvane::mac_app::wrappingLabel(m.text, 13, kTextWidth)];

  if (!m.notes.empty()) {
    if (!m.notesHeading.empty()) [rows addObject:label(m.notesHeading, 13, FontWeight::semibold)];
    [rows addObject:notesView(m.notes)];
  }

  if (m.progress) {
    NSProgressIndicator* bar = [[NSProgressIndicator alloc] initWithFrame:NSMakeRect(0, 0, kTextWidth, 16)];
    bar.style = NSProgressIndicatorStyleBar;
    bar.translatesAutoresizingMaskIntoConstraints = NO;
    [bar.widthAnchor constraintEqualToConstant:kTextWidth].active = YES;
    switch (m.progress->kind) {
      case views::UpdateProgress::Kind::bar:
        bar.indeterminate = NO;
        bar.minValue = 0;
        bar.maxValue = 1;
        bar.doubleValue = m.progress->fraction;
        break;
      case views::UpdateProgress::Kind::indeterminate:
        bar.indeterminate = YES;
        [bar startAnimation:nil];
        break;
    }
    [rows addObject:bar];
    if (!m.progress->text.empty()) {
      [rows addObject:label(m.progress->text, 11, FontWeight::regular, [NSColor secondaryLabelColor])];
    }
  }

  if (m.checkBox) {
    [rows addObject:[self checkBoxTitled:m.checkBox->title
                                      on:m.checkBox->checked
                                toggling:corvane::mac_app::actionName(m.checkBox->action)]];
  }

  if (!m.buttons.empty()) {
    NSMutableArray<NSView*>* buttons = [NSMutableArray arrayWithObject:corvane::mac_app::flexibleSpace()];
    for (const auto& b : m.buttons) {
      CVBlockButton* button = [self buttonTitled:b.title
                                         sending:corvane::mac_app::buttonAction(corvane::mac_app::actionName(b.action))];
      if (b.isDefault) button.keyEquivalent = @"\r";
      [buttons addObject:button];
    }
    NSStackView* row = stack(StackAxis::horizontal, 8, buttons);
    [row.widthAnchor constraintEqualToConstant:kTextWidth].active = YES;
    [rows addObject:row];
  }

  NSStackView* root = stack(StackAxis::vertical, 10, rows);
  [self addSubview:root];
  corvane::mac_app::pin(root, self, NSEdgeInsetsMake(20, 20, 20, 20));
}

@end
