#include "mac_app/main_menu.hpp"

namespace corvane::mac_app {

namespace {

NSMenuItem* item(NSString* title, SEL action, NSString* key, NSEventModifierFlags modifiers = NSEventModifierFlagCommand) {
  NSMenuItem* menuItem = [[NSMenuItem alloc] initWithTitle:title action:action keyEquivalent:key];
  menuItem.keyEquivalentModifierMask = modifiers;
  return menuItem;
}

NSMenuItem* submenu(NSString* title, NSArray<NSMenuItem*>* items) {
  NSMenuItem* top = [[NSMenuItem alloc] initWithTitle:title action:nil keyEquivalent:@""];
  NSMenu* menu = [[NSMenu alloc] initWithTitle:title];
  for (NSMenuItem* i in items) [menu addItem:i];
  top.submenu = menu;
  return top;
}

}  // namespace

NSMenu* makeMainMenu() {
  NSMenu* main = [[NSMenu alloc] initWithTitle:@"Main"];
  [main addItem:submenu(@"Corvane", @[
          item(@"Hide Corvane", @selector(hide:), @"h"), [NSMenuItem separatorItem],
          item(@"Quit Corvane", @selector(terminate:), @"q")
        ])];
  [main addItem:submenu(@"Edit", @[
          item(@"Undo", NSSelectorFromString(@"undo:"), @"z"),
          item(@"Redo", NSSelectorFromString(@"redo:"), @"z", NSEventModifierFlagCommand | NSEventModifierFlagShift),
          [NSMenuItem separatorItem], item(@"Cut", @selector(cut:), @"x"), item(@"Copy", @selector(copy:), @"c"),
          item(@"Paste", @selector(paste:), @"v"), item(@"Select All", @selector(selectAll:), @"a")
        ])];
  [main addItem:submenu(@"Window", @[
          item(@"Close", @selector(performClose:), @"w"), item(@"Minimize", @selector(performMiniaturize:), @"m")
        ])];
  return main;
}

}  // namespace corvane::mac_app
