#include "mac_app/app_delegate.hpp"

#include <sys/sysctl.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/app_menus.hpp"
#include "app/app_shell.hpp"
#include "mac_app/mac_platform.hpp"
#include "mac_app/main_menu.hpp"
#include "mac_app/mouse_monitor.hpp"
#include "mac_app/status_item.hpp"
#include "mac_app/view_kit.hpp"
#include "platform/macos/mac_updater.hpp"

namespace {

std::string bundleString(NSBundle* bundle, NSString* key) {
  id value = [bundle objectForInfoDictionaryKey:key];
  if ([value isKindOfClass:[NSString class]]) return corvane::mac_app::str(value);
  return {};
}

/// "14.5.0": the report names the system itself.
std::string osVersion() {
  NSOperatingSystemVersion v = [NSProcessInfo processInfo].operatingSystemVersion;
  return std::to_string(v.majorVersion) + "." + std::to_string(v.minorVersion) + "." + std::to_string(v.patchVersion);
}

/// "Mac14,2", "MacBookPro18,3".
std::string machineModel() {
  std::size_t size = 0;
  if (sysctlbyname("hw.model", nullptr, &size, nullptr, 0) != 0 || size == 0) return {};
  std::vector<char> model(size);
  if (sysctlbyname("hw.model", model.data(), &size, nullptr, 0) != 0) return {};
  return std::string(model.data());
}

/// The running (else installed) Excel's version.
std::optional<std::string> excelVersion() {
  NSString* identifier = @"com.microsoft.Excel";
  NSURL* url = [NSRunningApplication runningApplicationsWithBundleIdentifier:identifier].firstObject.bundleURL;
  if (url == nil) url = [[NSWorkspace sharedWorkspace] URLForApplicationWithBundleIdentifier:identifier];
  if (url == nil) return std::nullopt;
  std::string version = bundleString([NSBundle bundleWithURL:url], @"CFBundleShortVersionString");
  if (version.empty()) return std::nullopt;
  return version;
}

}  // namespace

@implementation CVAppDelegate {
  std::unique_ptr<corvane::mac_app::MacPlatform> _platform;
  std::unique_ptr<corvane::mac_app::StatusItem> _statusItem;
  std::unique_ptr<corvane::app::AppShell> _shell;
  std::unique_ptr<corvane::mac_app::MouseMonitor> _mouseMonitor;
  corvane::base::Subscription _iconSubscription;
  NSMenu* _dockMenu;
}

- (void)applicationDidFinishLaunching:(NSNotification*)notification {
  (void)notification;
  _platform = std::make_unique<corvane::mac_app::MacPlatform>();
  auto& p = *_platform;

  // The status item first: the shell reads its frame to hang panels under it.
  CVAppDelegate* __weak weakSelf = self;
  _statusItem = std::make_unique<corvane::mac_app::StatusItem>([weakSelf](const corvane::app::StatusItemEvent& click) {
    CVAppDelegate* strongSelf = weakSelf;
    if (strongSelf != nil && strongSelf->_shell) strongSelf->_shell->statusItemClicked(click);
  });
  corvane::mac_app::StatusItem* statusItem = _statusItem.get();

  NSBundle* bundle = [NSBundle mainBundle];
  std::string version = bundleString(bundle, @"CFBundleShortVersionString");
  corvane::app::AppPlatform platform{
      .clock = p.clock,
      .scheduler = p.scheduler,
      .eventTap = p.eventTap,
      .keyLayout = p.keyLayout,
      .secureInput = p.secureInput,
      .defaults = p.defaults,
      .files = p.files,
      .paths = p.paths,
      .accessibility = p.accessibility,
      .windowList = p.windowList,
      .inputPoster = p.inputPoster,
      .screens = p.screens,
      .panels = p.panels,
      .textMetrics = p.textMetrics,
      .workspace = p.workspace,
      .makeUpdater = [](corvane::platform::UpdateUserDriver& driver) -> std::shared_ptr<corvane::platform::Updater> {
        return std::make_shared<corvane::platform::macos::MacUpdater>(driver);
      },
      .builtinShortcutsFile = corvane::mac_app::str([bundle pathForResource:@"shortcuts" ofType:@"json"]),
      .version = version.empty() ? std::string(CORVANE_VERSION) : version,
      .build = bundleString(bundle, @"CFBundleVersion"),
      .userShortcutsFile = {},
      .statusItemFrame = [statusItem] { return statusItem->buttonFrame(); },
      .osVersion = osVersion(),
      .machineModel = machineModel(),
      .excelVersion = [] { return excelVersion(); },
      .terminate = [] { [NSApp terminate:nil]; },
  };
  _shell = std::make_unique<corvane::app::AppShell>(std::move(platform));
  corvane::app::AppShell* shell = _shell.get();

  auto perform = [shell](const std::string& name) { (void)shell->perform(name); };
  NSApp.mainMenu = corvane::mac_app::makeMainMenu(corvane::app::mainMenu(), perform);
  _dockMenu = corvane::mac_app::makeDockMenu(corvane::app::dockMenu(), perform);

  _iconSubscription = shell->iconChanged.subscribe([shell, statusItem] { statusItem->show(shell->statusIcon()); });
  shell->applicationDidFinishLaunching();
  statusItem->show(shell->statusIcon());

  // The menu-bar panel keeps the icon pressed while open and closes on a click outside it.
  shell->quickPanel().onHighlight = [statusItem](bool on) { statusItem->setHighlighted(on); };
  _mouseMonitor = std::make_unique<corvane::mac_app::MouseMonitor>([shell](corvane::platform::Point location) {
    if (shell->quickPanel().isOpen()) shell->quickPanel().mouseDown(location);
  });

}

- (BOOL)applicationShouldHandleReopen:(NSApplication*)sender hasVisibleWindows:(BOOL)flag {
  (void)sender;
  return _shell ? _shell->applicationShouldHandleReopen(flag) : YES;
}

- (NSMenu*)applicationDockMenu:(NSApplication*)sender {
  (void)sender;
  return _dockMenu;
}

- (BOOL)applicationShouldTerminateAfterLastWindowClosed:(NSApplication*)sender {
  (void)sender;
  return NO;
}

- (void)applicationWillTerminate:(NSNotification*)notification {
  (void)notification;
  _mouseMonitor.reset();
  // The process is ending already: only let go of the keyboard.
  if (_shell) _shell->keyTap().stop();
}

@end
