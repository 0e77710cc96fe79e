#include "mac_app/settings_content.hpp"

#include <string>

#include "mac_app/content_kit.hpp"
#include "platform/views/settings_view.hpp"

namespace {
constexpr double kSidebarWidth = 190;
constexpr double kPageWidth = 460;
constexpr double kHeight = 440;
}  // namespace

@implementation CVSettingsContent

- (NSView*)sidebarItem:(const views::SettingsSidebarItem&)item selected:(bool)selected {
  CVBlockButton* button = [self buttonTitled:item.title sending:corvane::mac_app::selectAction("page", item.id)];
  button.bezelStyle = NSBezelStyleRecessed;
  button.bordered = selected;
  button.alignment = NSTextAlignmentLeft;
  NSImage* image = [NSImage imageWithSystemSymbolName:ns(item.symbol) accessibilityDescription:nil];
  if (image != nil) {
    button.image = image;
    button.imagePosition = NSImageLeading;
  }
  [button.widthAnchor constraintEqualToConstant:kSidebarWidth - 20].active = YES;
  return button;
}

- (NSView*)withDetail:(NSView*)control detail:(const std::string&)detail {
  if (detail.empty()) return control;
  return stack(StackAxis::vertical, 2, @[ control, wrappingLabel(detail, 11, kPageWidth - 40, [NSColor secondaryLabelColor]) ]);
}

- (NSView*)control:(const views::SettingsControl&)c {
  const std::string& id = c.id;
  switch (c.kind) {
    case views::SettingsControl::Kind::toggle:
      return [self withDetail:[self checkBoxTitled:c.title on:c.on toggling:id] detail:c.detail];
    case views::SettingsControl::Kind::picker: {
      std::vector<std::pair<std::string, std::string>> pairs;
      for (const auto& choice : c.choices) pairs.emplace_back(choice.title, choice.value);
      NSPopUpButton* popup = [self pickerNamed:id choices:pairs selected:c.selected];
      NSStackView* row = stack(StackAxis::horizontal, 10, @[ label(c.title, 13), flexibleSpace(), popup ]);
      [row.widthAnchor constraintEqualToConstant:kPageWidth - 40].active = YES;
      return [self withDetail:row detail:c.detail];
    }
    case views::SettingsControl::Kind::info:
      return [self withDetail:wrappingLabel(c.title, 13, kPageWidth - 40) detail:c.detail];
    case views::SettingsControl::Kind::button:
      return [self withDetail:[self buttonTitled:c.title sending:corvane::mac_app::buttonAction(id)] detail:c.detail];
  }
  return [[NSView alloc] initWithFrame:NSZeroRect];
}

- (void)render {
  corvane::mac_app::clear(self);
  const auto& m = *modelOf<views::SettingsView>(self);

  NSMutableArray<NSView*>* sidebarItems = [NSMutableArray array];
  for (const auto& item : m.sidebar) [sidebarItems addObject:[self sidebarItem:item selected:item.id == m.selectedPage]];
  NSStackView* sidebar = stack(StackAxis::vertical, 2, sidebarItems);
  sidebar.edgeInsets = NSEdgeInsetsMake(14, 10, 14, 10);
  [sidebar.widthAnchor constraintEqualToConstant:kSidebarWidth].active = YES;

  NSMutableArray<NSView*>* rows = [NSMutableArray arrayWithObject:label(m.pageTitle, 17, FontWeight::bold)];
  for (const auto& control : m.controls) [rows addObject:[self control:control]];
  NSStackView* page = stack(StackAxis::vertical, 12, rows);
  page.edgeInsets = NSEdgeInsetsMake(18, 20, 18, 20);
  [page.widthAnchor constraintEqualToConstant:kPageWidth].active = YES;

  NSBox* divider = [[NSBox alloc] initWithFrame:NSZeroRect];
  divider.boxType = NSBoxSeparator;
  NSStackView* root = stack(StackAxis::horizontal, 0, @[ sidebar, divider, page ]);
  root.alignment = NSLayoutAttributeTop;
  [self addSubview:root];
  corvane::mac_app::pin(root, self, NSEdgeInsetsMake(0, 0, 0, 0));
  [root.heightAnchor constraintGreaterThanOrEqualToConstant:kHeight].active = YES;
  [divider.heightAnchor constraintEqualToAnchor:root.heightAnchor].active = YES;
}

@end
