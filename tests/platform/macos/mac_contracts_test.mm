// The platform contracts (tests/platform/contracts) for the macOS backend: the same suites the
// simulated and POSIX backends pass on Linux, here against the real services on a Mac.

#include <ApplicationServices/ApplicationServices.h>
#import <AppKit/AppKit.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "contracts/accessibility_values_contract.hpp"
#include "contracts/defaults_contract.hpp"
#include "contracts/files_contract.hpp"
#include "contracts/panels_contract.hpp"
#include "contracts/workspace_contract.hpp"
#include "platform/macos/mac_accessibility.hpp"
#include "platform/macos/mac_defaults.hpp"
#include "platform/macos/mac_files.hpp"
#include "platform/macos/mac_panels.hpp"
#include "platform/macos/mac_workspace.hpp"
#include "run_loop.hpp"

namespace corvane::platform::contracts {
namespace {

struct BackendName {
  template <typename Backend>
  static std::string GetName(int) {
    return "Mac";
  }
};

/// The main run loop turned by the test, which runs on the main thread.
struct MainLoopPump {
  bool pumpUntil(const std::function<bool()>& done) { return macos::testing::runMainLoopUntil(done); }
  void pumpFor(double seconds) { macos::testing::runMainLoopFor(seconds); }
  bool onMainQueue() { return [NSThread isMainThread]; }
};

struct MacFilesBackend : MainLoopPump {
  macos::MacFiles real;
  std::string path;
  MacFilesBackend() {
    std::string pattern = std::string(NSTemporaryDirectory().UTF8String) + "corvane-contract-XXXXXX";
    if (mkdtemp(pattern.data()) != nullptr) path = pattern;
    EXPECT_FALSE(path.empty());
  }
  ~MacFilesBackend() {
    if (!path.empty()) [[NSFileManager defaultManager] removeItemAtPath:@(path.c_str()) error:nil];
  }
  Files& files() { return real; }
  std::string folder() { return path; }
};

INSTANTIATE_TYPED_TEST_SUITE_P(Platforms, FilesContract, MacFilesBackend, BackendName);

/// Suites of this process and test only, removed afterwards.
struct MacDefaultsBackend {
  std::string prefix = "app.corvane.contract." + std::to_string(getpid()) + "." +
                       ::testing::UnitTest::GetInstance()->current_test_info()->name();
  ~MacDefaultsBackend() {
    for (const char* suite : {"", ".former", ".empty", ".missing"}) {
      [[NSUserDefaults standardUserDefaults] removePersistentDomainForName:@((prefix + suite).c_str())];
    }
  }
  std::unique_ptr<Defaults> open(const std::string& suite) { return std::make_unique<macos::MacDefaults>(suiteName(suite)); }
  std::string suiteName(const std::string& name) { return name.empty() ? prefix : prefix + "." + name; }
};

INSTANTIATE_TYPED_TEST_SUITE_P(Platforms, DefaultsContract, MacDefaultsBackend, BackendName);

/// A window of this process with an untitled button and a titled one, reached through
/// Accessibility, which needs the permission for the test program.
struct MacAccessibilityValues {
  macos::MacAccessibility accessibility;
  NSWindow* window = nil;
  MacAccessibilityValues() {
    [NSApplication sharedApplication];
    window = [[NSWindow alloc] initWithContentRect:NSMakeRect(200, 200, 240, 80)
                                         styleMask:NSWindowStyleMaskTitled
                                           backing:NSBackingStoreBuffered
                                             defer:NO];
    window.releasedWhenClosed = NO;
    NSButton* untitled = [NSButton buttonWithTitle:@"" target:nil action:nil];
    untitled.identifier = @"contract.untitled";
    untitled.frame = NSMakeRect(10, 10, 100, 30);
    NSButton* titled = [NSButton buttonWithTitle:@"Autofit" target:nil action:nil];
    titled.identifier = @"contract.titled";
    titled.frame = NSMakeRect(120, 10, 100, 30);
    [window.contentView addSubview:untitled];
    [window.contentView addSubview:titled];
    [window orderFrontRegardless];
    macos::testing::runMainLoopFor(0.2);
  }
  ~MacAccessibilityValues() { [window orderOut:nil]; }
  std::optional<std::string> unavailable() {
    if (!accessibility.isTrusted(false)) return "the test program has no Accessibility permission";
    return std::nullopt;
  }
  Accessibility& ax() { return accessibility; }
  Element find(const std::string& identifier) {
    auto search = [&](auto&& self, const Element& element, int depth) -> Element {
      if (valueAs<std::string>(accessibility.attribute(element, "AXIdentifier")) == identifier) return element;
      if (depth > 8) return {};
      auto children = valueAs<std::vector<Element>>(accessibility.attribute(element, "AXChildren"));
      for (const auto& child : children.value_or(std::vector<Element>{})) {
        if (auto found = self(self, child, depth + 1)) return found;
      }
      return {};
    };
    return search(search, accessibility.application(getpid()), 0);
  }
  Element emptyTitled() { return find("contract.untitled"); }
  Element titled() { return find("contract.titled"); }
  std::string title() { return "Autofit"; }
};

INSTANTIATE_TYPED_TEST_SUITE_P(Platforms, AccessibilityValuesContract, MacAccessibilityValues, BackendName);

struct MacWorkspaceBackend : MainLoopPump {
  macos::MacWorkspace real;
  Workspace& workspace() { return real; }
  /// An ordinary application that is not in front (the Finder, as a rule).
  std::int32_t otherApp() {
    for (NSRunningApplication* app in [[NSWorkspace sharedWorkspace] runningApplications]) {
      if (app.activationPolicy == NSApplicationActivationPolicyRegular && !app.active &&
          app.processIdentifier != getpid() && [app.bundleIdentifier isEqualToString:@"com.apple.finder"]) {
        return app.processIdentifier;
      }
    }
    for (NSRunningApplication* app in [[NSWorkspace sharedWorkspace] runningApplications]) {
      if (app.activationPolicy == NSApplicationActivationPolicyRegular && !app.active &&
          app.processIdentifier != getpid()) {
        return app.processIdentifier;
      }
    }
    return -1;
  }
  std::int32_t missingPid() { return -1; }
};

INSTANTIATE_TYPED_TEST_SUITE_P(Platforms, WorkspaceContract, MacWorkspaceBackend, BackendName);

struct MacPanelsBackend : MainLoopPump {
  /// A menu-bar application, as Corvane is: its windows may become key.
  MacPanelsBackend() {
    [NSApplication sharedApplication];
    [NSApp setActivationPolicy:NSApplicationActivationPolicyAccessory];
  }
  macos::MacPanels real{[](PanelKind, const std::shared_ptr<const views::View>&,
                           macos::PanelActionSink) -> NSView<CVPanelContent>* { return nil; }};
  Panels& panels() { return real; }
};

INSTANTIATE_TYPED_TEST_SUITE_P(Platforms, PanelsContract, MacPanelsBackend, BackendName);

}  // namespace
}  // namespace corvane::platform::contracts
