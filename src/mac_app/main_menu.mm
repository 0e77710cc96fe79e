#include "mac_app/main_menu.hpp"

#include <memory>

#include "mac_app/view_kit.hpp"

/// Sends a menu item's shell action, named in its represented object.
@interface CVShellActionTarget : NSObject
- (instancetype)initWithAction:(corvane::mac_app::ShellAction)action;
- (void)perform:(NSMenuItem*)sender;
@end

@implementation CVShellActionTarget {
  corvane::mac_app::ShellAction _action;
}
- (instancetype)initWithAction:(corvane::mac_app::ShellAction)action {
  if ((self = [super init])) _action = std::move(action);
  return self;
}
- (void)perform:(NSMenuItem*)sender {
  NSString* name = sender.representedObject;
  if (_action && [name isKindOfClass:[NSString class]]) _action(corvane::mac_app::str(name));
}
@end

namespace corvane::mac_app {

namespace {

NSMenuItem* menuItem(const app::MenuItem& item, CVShellActionTarget* shell) {
  if (item.isSeparator()) return [NSMenuItem separatorItem];
  NSString* key = item.key ? ns(item.key->key) : @"";
  NSMenuItem* result = [[NSMenuItem alloc] initWithTitle:ns(item.title) action:nil keyEquivalent:key];
  if (item.key) {
    NSEventModifierFlags modifiers = 0;
    if (item.key->command) modifiers |= NSEventModifierFlagCommand;
    if (item.key->option) modifiers |= NSEventModifierFlagOption;
    if (item.key->shift) modifiers |= NSEventModifierFlagShift;
    result.keyEquivalentModifierMask = modifiers;
  }
  switch (item.target) {
    case app::MenuItem::Target::shell:
      result.target = shell;
      result.action = @selector(perform:);
      result.representedObject = ns(item.action);
      break;
    case app::MenuItem::Target::application:
      result.target = NSApp;
      result.action = NSSelectorFromString(ns(item.action));
      break;
    case app::MenuItem::Target::firstResponder:
      result.action = NSSelectorFromString(ns(item.action));
      break;
  }
  return result;
}

/// The target lives as long as the menus that call it.
CVShellActionTarget* retainedTarget(ShellAction perform) {
  static NSMutableArray* targets = [NSMutableArray array];
  CVShellActionTarget* target = [[CVShellActionTarget alloc] initWithAction:std::move(perform)];
  [targets addObject:target];
  return target;
}

}  // namespace

NSMenu* makeMainMenu(const std::vector<app::Menu>& menus, ShellAction perform) {
  CVShellActionTarget* shell = retainedTarget(std::move(perform));
  NSMenu* main = [[NSMenu alloc] initWithTitle:@"Main"];
  for (const auto& menu : menus) {
    NSMenuItem* top = [[NSMenuItem alloc] initWithTitle:ns(menu.title) action:nil keyEquivalent:@""];
    NSMenu* submenu = [[NSMenu alloc] initWithTitle:ns(menu.title)];
    for (const auto& item : menu.items) [submenu addItem:menuItem(item, shell)];
    top.submenu = submenu;
    [main addItem:top];
    if (menu.isWindowsMenu) NSApp.windowsMenu = submenu;
  }
  return main;
}

NSMenu* makeDockMenu(const std::vector<app::MenuItem>& items, ShellAction perform) {
  CVShellActionTarget* shell = retainedTarget(std::move(perform));
  NSMenu* menu = [[NSMenu alloc] initWithTitle:@"Dock"];
  for (const auto& item : items) [menu addItem:menuItem(item, shell)];
  return menu;
}

}  // namespace corvane::mac_app
