#include "mac_app/welcome_content.hpp"

#include <string>

#include "mac_app/content_kit.hpp"
#include "platform/views/welcome_view.hpp"

namespace {

constexpr double kWidth = 460;

NSView* marker(const views::WelcomeStepMarker& m) {
  NSColor* fill = m.current ? [NSColor controlAccentColor]
                            : (m.passed ? [NSColor systemGreenColor] : [NSColor quaternaryLabelColor]);
  NSString* text = m.passed ? @"✓" : ns(std::to_string(m.number));
  CVKeyBadge* badge = [[CVKeyBadge alloc] initWithText:text
                                                  fill:fill
                                                border:fill
                                             textColor:[NSColor whiteColor]
                                              fontSize:12];
  return badge;
}

NSView* keyCap(const views::WelcomeKeyCap& cap) {
  NSColor* fill = [NSColor controlBackgroundColor];
  NSColor* border = [NSColor separatorColor];
  NSColor* text = [NSColor labelColor];
  switch (cap.look) {
    case views::WelcomeKeyCap::Look::done:
      fill = [NSColor systemGreenColor];
      border = fill;
      text = [NSColor whiteColor];
      break;
    case views::WelcomeKeyCap::Look::next:
      fill = [NSColor controlAccentColor];
      border = fill;
      text = [NSColor whiteColor];
      break;
    case views::WelcomeKeyCap::Look::waiting: break;
  }
  return [[CVKeyBadge alloc] initWithText:ns(cap.key) fill:fill border:border textColor:text fontSize:20];
}

}  // namespace

@implementation CVWelcomeContent

- (NSButton*)button:(const views::WelcomeButton&)b {
  CVBlockButton* button = [self buttonTitled:b.title
                                     sending:corvane::mac_app::buttonAction(corvane::mac_app::actionName(b.action))];
  if (b.isDefault) button.keyEquivalent = @"\r";
  return button;
}

- (void)render {
  corvane::mac_app::clear(self);
  const auto& m = *modelOf<views::WelcomeView>(self);
  NSMutableArray<NSView*>* rows = [NSMutableArray array];

  [rows addObject:label(m.header, 20, FontWeight::bold)];
  NSMutableArray<NSView*>* markers = [NSMutableArray array];
  for (const auto& step : m.markers) [markers addObject:marker(step)];
  [rows addObject:stack(StackAxis::horizontal, 10, markers)];

  [rows addObject:label(m.title, 15, FontWeight::semibold)];
  if (!m.text.empty()) [rows addObject:wrappingLabel(m.text, 13, kWidth)];

  if (!m.allowedText.empty()) {
    NSView* mark = corvane::mac_app::symbol(m.allowedSymbol, 14, [NSColor systemGreenColor]);
    [rows addObject:stack(StackAxis::horizontal, 6, @[ mark, label(m.allowedText, 13, FontWeight::medium) ])];
  }
  for (const auto& b : m.pageButtons) [rows addObject:[self button:b]];
  if (!m.hint.empty()) [rows addObject:wrappingLabel(m.hint, 11, kWidth, [NSColor secondaryLabelColor])];

  if (!m.keyCaps.empty()) {
    NSMutableArray<NSView*>* caps = [NSMutableArray array];
    for (const auto& cap : m.keyCaps) [caps addObject:keyCap(cap)];
    [rows addObject:stack(StackAxis::horizontal, 10, caps)];
  }
  if (!m.status.empty()) {
    NSColor* tint = m.statusFinished ? [NSColor systemGreenColor] : [NSColor secondaryLabelColor];
    [rows addObject:wrappingLabel(m.status, 13, kWidth, tint)];
  }

  for (const auto& tip : m.tips) {
    NSView* icon = corvane::mac_app::symbol(tip.symbol, 18, [NSColor controlAccentColor]);
    NSStackView* words = stack(StackAxis::vertical, 2, @[
      label(tip.title, 13, FontWeight::semibold), wrappingLabel(tip.text, 12, kWidth - 40, [NSColor secondaryLabelColor])
    ]);
    NSStackView* row = stack(StackAxis::horizontal, 12, @[ icon, words ]);
    row.alignment = NSLayoutAttributeTop;
    [rows addObject:row];
  }

  NSView* spacer = corvane::mac_app::flexibleSpace();
  NSMutableArray<NSView*>* footer = [NSMutableArray array];
  // The first footer button ("Skip for now") sits at the left, the others at the right.
  for (std::size_t i = 0; i < m.footerButtons.size(); ++i) {
    if (i == 1 || (i == 0 && m.footerButtons.size() == 1)) [footer addObject:spacer];
    [footer addObject:[self button:m.footerButtons[i]]];
  }
  if (footer.count > 0) {
    NSStackView* row = stack(StackAxis::horizontal, 8, footer);
    [row.widthAnchor constraintEqualToConstant:kWidth].active = YES;
    [rows addObject:row];
  }

  NSStackView* root = stack(StackAxis::vertical, 14, rows);
  [self addSubview:root];
  corvane::mac_app::pin(root, self, NSEdgeInsetsMake(24, 28, 20, 28));
}

@end
