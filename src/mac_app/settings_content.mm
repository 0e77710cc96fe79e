#include "mac_app/settings_content.hpp"

#include <string>

#include "mac_app/view_actions.hpp"
#include "mac_app/view_kit.hpp"
#include "platform/views/settings_view.hpp"

using corvane::mac_app::flexibleSpace;
using corvane::mac_app::label;
using corvane::mac_app::ns;
using corvane::mac_app::StackAxis;
using corvane::mac_app::wrappingLabel;
using corvane::platform::FontWeight;
namespace views = corvane::platform::views;

namespace {
constexpr double kSidebarWidth = 190;
constexpr double kPageWidth = 460;
constexpr double kHeight = 440;
}  // namespace

@implementation CVSettingsContent {
  std::shared_ptr<const views::SettingsView> _model;
}

- (BOOL)takeView:(const std::shared_ptr<const views::View>&)view {
  auto model = std::dynamic_pointer_cast<const views::SettingsView>(view);
  if (!model) return NO;
  _model = model;
  return YES;
}

- (NSView*)sidebarItem:(const views::SettingsSidebarItem&)item selected:(bool)selected {
  CVContentView* __weak weakSelf = self;
  std::string id = item.id;
  CVBlockButton* button = [CVBlockButton buttonWithTitle:ns(item.title)
                                                 onPress:^(CVBlockButton*) {
                                                   [weakSelf send:corvane::mac_app::selectAction("page", id)];
                                                 }];
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
  CVContentView* __weak weakSelf = self;
  std::string id = c.id;
  switch (c.kind) {
    case views::SettingsControl::Kind::toggle: {
      CVBlockButton* box = [CVBlockButton checkBoxWithTitle:ns(c.title)
                                                         on:c.on
                                                    onPress:^(CVBlockButton* sender) {
                                                      [weakSelf send:corvane::mac_app::toggleAction(
                                                                         id, sender.state == NSControlStateValueOn)];
                                                    }];
      return [self withDetail:box detail:c.detail];
    }
    case views::SettingsControl::Kind::picker: {
      CVBlockPopUp* popup = [[CVBlockPopUp alloc] initWithFrame:NSMakeRect(0, 0, 220, 26)];
      std::vector<std::string> values;
      for (const auto& choice : c.choices) {
        [popup addItemWithTitle:ns(choice.title)];
        values.push_back(choice.value);
        if (choice.value == c.selected) [popup selectItemAtIndex:popup.numberOfItems - 1];
      }
      popup.onChoose = ^(NSInteger index) {
        if (index < 0 || static_cast<std::size_t>(index) >= values.size()) return;
        [weakSelf send:corvane::mac_app::selectAction(id, values[static_cast<std::size_t>(index)])];
      };
      NSStackView* row = stack(StackAxis::horizontal, 10, @[ label(c.title, 13), flexibleSpace(), popup ]);
      [row.widthAnchor constraintEqualToConstant:kPageWidth - 40].active = YES;
      return [self withDetail:row detail:c.detail];
    }
    case views::SettingsControl::Kind::info:
      return [self withDetail:wrappingLabel(c.title, 13, kPageWidth - 40) detail:c.detail];
    case views::SettingsControl::Kind::button: {
      CVBlockButton* button = [CVBlockButton buttonWithTitle:ns(c.title)
                                                     onPress:^(CVBlockButton*) {
                                                       [weakSelf send:corvane::mac_app::buttonAction(id)];
                                                     }];
      return [self withDetail:button detail:c.detail];
    }
  }
  return [[NSView alloc] initWithFrame:NSZeroRect];
}

- (void)render {
  corvane::mac_app::clear(self);
  const auto& m = *_model;

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
