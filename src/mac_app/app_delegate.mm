#include "mac_app/app_delegate.hpp"

#include <memory>

#include "mac_app/mac_platform.hpp"
#include "mac_app/main_menu.hpp"
#include "mac_app/status_item.hpp"

@implementation CVAppDelegate {
  std::unique_ptr<corvane::mac_app::MacPlatform> _platform;
  std::unique_ptr<corvane::mac_app::StatusItem> _statusItem;
}

- (void)applicationDidFinishLaunching:(NSNotification*)notification {
  (void)notification;
  NSApp.mainMenu = corvane::mac_app::makeMainMenu();
  _platform = std::make_unique<corvane::mac_app::MacPlatform>();
  _statusItem = std::make_unique<corvane::mac_app::StatusItem>([](const corvane::app::StatusItemEvent&) {});
  corvane::app::ListenerFacts facts;
  facts.trusted = _platform->accessibility.isTrusted(false);
  _statusItem->show(corvane::app::statusIcon(facts, false, std::nullopt, false));
}

- (BOOL)applicationShouldTerminateAfterLastWindowClosed:(NSApplication*)sender {
  (void)sender;
  return NO;
}

@end
