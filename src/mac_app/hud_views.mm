#include "mac_app/hud_views.hpp"

#include <memory>

#include "mac_app/content_kit.hpp"
#include "platform/views/hud_views.hpp"

namespace {

constexpr NSEdgeInsets kInset = {12, 14, 12, 14};

NSView* orangeSymbol(const char* name) { return corvane::mac_app::symbol(name, 12, [NSColor systemOrangeColor]); }

}  // namespace

@implementation CVKeyListContent

- (NSView*)badge:(const std::string&)text size:(CGFloat)size {
  const auto& m = *modelOf<views::KeyListView>(self);
  return [[CVKeyBadge alloc] initWithText:ns(text)
                                     fill:corvane::mac_app::color(m.badgeFill)
                                   border:corvane::mac_app::color(m.badgeBorder)
                                textColor:corvane::mac_app::color(m.badgeText)
                                 fontSize:size];
}

- (NSView*)row:(const views::KeyListRowView&)row {
  NSMutableArray<NSView*>* parts = [NSMutableArray array];
  [parts addObject:[self badge:row.key size:11.5]];
  [parts addObject:label(row.label, 13)];
  if (row.legacy) [parts addObject:label("2003", 9, FontWeight::semibold, [NSColor tertiaryLabelColor])];
  if (row.isGroup) [parts addObject:corvane::mac_app::symbol("chevron.right", 9, [NSColor secondaryLabelColor])];
  return stack(StackAxis::horizontal, 7, parts);
}

- (void)render {
  corvane::mac_app::clear(self);
  const auto& m = *modelOf<views::KeyListView>(self);
  NSMutableArray<NSView*>* sections = [NSMutableArray array];

  NSMutableArray<NSView*>* header = [NSMutableArray array];
  for (const auto& key : m.pathKeys) [header addObject:[self badge:key size:10]];
  if (!m.title.empty()) [header addObject:label(m.title, 13, FontWeight::semibold)];
  if (m.subtitle) [header addObject:label(*m.subtitle, 11, FontWeight::regular, [NSColor secondaryLabelColor])];
  if (header.count > 0) [sections addObject:stack(StackAxis::horizontal, 6, header)];

  NSMutableArray<NSView*>* columns = [NSMutableArray array];
  for (const auto& column : m.columns) {
    NSMutableArray<NSView*>* rows = [NSMutableArray array];
    for (const auto& row : column) [rows addObject:[self row:row]];
    NSStackView* columnStack = stack(StackAxis::vertical, 5, rows);
    columnStack.alignment = NSLayoutAttributeLeading;
    [columns addObject:columnStack];
  }
  if (columns.count > 0) {
    NSStackView* grid = stack(StackAxis::horizontal, 22, columns);
    grid.alignment = NSLayoutAttributeTop;
    [sections addObject:grid];
  }

  NSMutableArray<NSView*>* footer = [NSMutableArray array];
  if (m.message) {
    NSColor* tint = m.messageIsError ? [NSColor systemOrangeColor] : [NSColor secondaryLabelColor];
    [footer addObject:corvane::mac_app::symbol("exclamationmark.circle.fill", 11, tint)];
    [footer addObject:label(*m.message, 11, FontWeight::regular, tint)];
  } else {
    for (const auto& hint : m.hints) {
      [footer addObject:[self badge:hint.key size:10]];
      [footer addObject:label(hint.text, 11, FontWeight::regular, [NSColor secondaryLabelColor])];
    }
  }
  if (footer.count > 0) [sections addObject:stack(StackAxis::horizontal, 5, footer)];

  NSStackView* root = stack(StackAxis::vertical, 10, sections);
  [self addSubview:root];
  corvane::mac_app::pin(root, self, kInset);
}

@end

@implementation CVNoticeContent

- (void)render {
  corvane::mac_app::clear(self);
  const auto& m = *modelOf<views::NoticeView>(self);
  NSMutableArray<NSView*>* rows = [NSMutableArray array];
  [rows addObject:label(m.appName, 12, FontWeight::semibold, [NSColor secondaryLabelColor])];
  NSMutableArray<NSView*>* message = [NSMutableArray array];
  if (m.isError) [message addObject:orangeSymbol("exclamationmark.triangle.fill")];
  [message addObject:corvane::mac_app::wrappingLabel(m.message, 13, 420)];
  [rows addObject:stack(StackAxis::horizontal, 6, message)];
  for (const auto& line : m.lines) [rows addObject:corvane::mac_app::wrappingLabel(line, 12, 420, [NSColor secondaryLabelColor])];
  if (m.action) [rows addObject:[self buttonTitled:m.action->title sending:corvane::mac_app::buttonAction(m.action->id)]];
  NSStackView* root = stack(StackAxis::vertical, 5, rows);
  [self addSubview:root];
  corvane::mac_app::pin(root, self, kInset);
}

@end

@implementation CVBusyContent

- (void)render {
  corvane::mac_app::clear(self);
  NSProgressIndicator* spinner = [[NSProgressIndicator alloc] initWithFrame:NSMakeRect(0, 0, 16, 16)];
  spinner.style = NSProgressIndicatorStyleSpinning;
  spinner.controlSize = NSControlSizeSmall;
  spinner.indeterminate = YES;
  [spinner startAnimation:nil];
  const auto& m = *modelOf<views::BusyView>(self);
  NSStackView* root = stack(StackAxis::horizontal, 8, @[ spinner, label(m.title, 13, FontWeight::medium) ]);
  [self addSubview:root];
  corvane::mac_app::pin(root, self, NSEdgeInsetsMake(10, 16, 10, 16));
}

@end

@implementation CVProblemContent

- (NSButton*)button:(const views::Button&)button {
  return [self buttonTitled:button.title sending:corvane::mac_app::buttonAction(button.id)];
}

- (void)render {
  corvane::mac_app::clear(self);
  const auto& m = *modelOf<views::ProblemView>(self);
  double textWidth = m.width - kInset.left - kInset.right;

  NSView* spacer = corvane::mac_app::flexibleSpace();
  // The close button shows its symbol ("xmark") rather than a title.
  NSButton* close = [self button:m.close];
  NSImage* xmark = [NSImage imageWithSystemSymbolName:ns(m.close.title) accessibilityDescription:@"Close"];
  if (xmark != nil) {
    close.image = xmark;
    close.imagePosition = NSImageOnly;
    close.bordered = NO;
  }
  NSStackView* titleRow = stack(StackAxis::horizontal, 6, @[
    orangeSymbol("exclamationmark.triangle.fill"), label(m.title, 13, FontWeight::semibold), spacer, close
  ]);

  NSMutableArray<NSView*>* rows = [NSMutableArray arrayWithObject:titleRow];
  if (!m.detail.empty()) [rows addObject:corvane::mac_app::wrappingLabel(m.detail, 12, textWidth)];
  if (!m.keysLine.empty()) [rows addObject:label(m.keysLine, 11, FontWeight::regular, [NSColor secondaryLabelColor])];

  NSMutableArray<NSView*>* buttons = [NSMutableArray array];
  for (const auto& fix : m.fixes) [buttons addObject:[self button:fix]];
  [buttons addObject:[self button:m.dismiss]];
  [rows addObject:stack(StackAxis::horizontal, 8, buttons)];

  NSStackView* root = stack(StackAxis::vertical, 8, rows);
  [self addSubview:root];
  corvane::mac_app::pin(root, self, kInset);
  [titleRow.widthAnchor constraintEqualToConstant:textWidth].active = YES;
}

@end
