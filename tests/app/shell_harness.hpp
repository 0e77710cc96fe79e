#pragma once
// The shell over the simulated desktop in virtual time, with a pinned library, in-memory files
// and defaults, and helpers that type and click as a user would.

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "app/app_shell.hpp"
#include "model/key_names.hpp"
#include "model/text.hpp"
#include "platform/posix/posix_files.hpp"
#include "platform/sim/fixture_loader.hpp"
#include "platform/sim/memory_defaults.hpp"
#include "platform/sim/memory_files.hpp"
#include "platform/sim/sim_event_tap.hpp"
#include "platform/sim/sim_accessibility.hpp"
#include "platform/sim/sim_excel.hpp"
#include "platform/sim/sim_input_poster.hpp"
#include "platform/sim/sim_key_layout.hpp"
#include "platform/sim/sim_panels.hpp"
#include "platform/sim/sim_screens.hpp"
#include "platform/sim/sim_secure_input.hpp"
#include "platform/sim/sim_text_metrics.hpp"
#include "platform/sim/sim_window_list.hpp"
#include "platform/sim/sim_workspace.hpp"
#include "platform/sim/virtual_time.hpp"
#include "support/golden.hpp"

namespace corvane::app::testing {

namespace sim = platform::sim;

inline std::shared_ptr<const sim::ExcelFixture> loadFixture(const std::string& name) {
  platform::posix::PosixFiles files;
  auto fixture = sim::loadFixtureFile(files, std::string(CORVANE_SOURCE_DIR) + "/resources/sim/" + name + ".json");
  if (!fixture) {
    ADD_FAILURE() << name << ": " << fixture.error().text();
    return nullptr;
  }
  return std::make_shared<const sim::ExcelFixture>(std::move(*fixture));
}

inline platform::Paths testPaths() {
  platform::Paths paths;
  paths.home = "/home/user";
  paths.supportFolder = "/home/user/Library/Application Support/Corvane";
  paths.logFile = "/home/user/Library/Logs/Corvane.log";
  paths.desktop = "/home/user/Desktop";
  paths.temporaryFolder = "/tmp";
  paths.formerSupportFolder = "/home/user/Library/Application Support/Pellmark";
  return paths;
}

struct ShellHarness {
  static constexpr const char* kBuiltin = "/app/shortcuts.json";
  int terminations = 0;  ///< how often the shell ended the process

  explicit ShellHarness(const std::string& fixtureName = "default", const std::string& library = "home-basic.json")
      : ShellHarness(fixtureName == "not-running" ? nullptr : loadFixture(fixtureName), library) {}

  /// Over a fixture of the test's own (null: Excel not installed).
  ShellHarness(std::shared_ptr<const sim::ExcelFixture> fixture, const std::string& library)
      : excel(time, time, std::move(fixture)),
        layout(time.main()),
        files(time, time.main()),
        panels(time),
        workspace(time, &excel) {
    (void)files.createFolders("/app");
    (void)files.writeAtomic(kBuiltin, corvane::testing::readDataFile("libraries/" + library));
    excel.inputPoster().setSink([this](const platform::RawEvent& event) { return tap.inject(event); });
    panels.mainThread().setCheck([this] { return time.onMainThread(); });
    screens.mainThread().setCheck([this] { return time.onMainThread(); });
  }

  ~ShellHarness() {
    if (shell) shell->activityLog().setObserver({});
    EXPECT_TRUE(panels.mainThread().violations().empty()) << "panels used off the main thread";
    EXPECT_TRUE(screens.mainThread().violations().empty()) << "screens read off the main thread";
  }

  /// Builds the shell; `trusted` sets the permission before start. Excel comes to the front first.
  void start(bool trusted = true, bool excelInFront = true) {
    excel.setTrusted(trusted);
    tap.setTrusted(trusted);
    workspace.switchTo(excelInFront ? "Excel" : "Finder");
    time.runUntilIdle();
    shell = std::make_unique<AppShell>(AppPlatform{
        .clock = time,
        .scheduler = time,
        .eventTap = tap,
        .keyLayout = layout,
        .secureInput = secure,
        .defaults = defaults,
        .files = files,
        .paths = testPaths(),
        .accessibility = excel.accessibility(),
        .windowList = excel.windowList(),
        .inputPoster = excel.inputPoster(),
        .screens = screens,
        .panels = panels,
        .textMetrics = metrics,
        .workspace = workspace,
        .makeUpdater = {},
        .builtinShortcutsFile = kBuiltin,
        .version = version,
        .build = build,
        .userShortcutsFile = {},
        .statusItemFrame = {},
        .osVersion = "macOS 14.5",
        .machineModel = "Mac14,2",
        .excelVersion = {},
        .terminate = [this] { ++terminations; },
    });
    shell->activityLog().setObserver([this](const std::string& line) {
      logs.push_back(line);
      if (onLog) onLog(line);
    });
    beforeLaunch();
    shell->applicationDidFinishLaunching();
    time.advanceBy(0.01);
  }

  void grant() {
    excel.setTrusted(true);
    tap.setTrusted(true);
  }
  /// The user takes Corvane out of the Accessibility list; macOS switches the tap off and says so.
  void revoke() {
    excel.setTrusted(false);
    tap.setTrusted(false);
  }

  [[nodiscard]] std::uint64_t flags() const {
    return (option ? platform::flags::kOption : 0) | (command ? platform::flags::kCommand : 0) |
           (shift ? platform::flags::kShift : 0);
  }
  /// The modifiers changed: through the tap, then to Excel when it is in front.
  void modifiersChanged() {
    if (tap.inject(sim::flagsEvent(flags())) == platform::Verdict::pass && excel.isFrontmost()) {
      excel.receiveFlags(flags());
    }
  }
  void setOption(bool down) {
    option = down;
    modifiersChanged();
  }
  void setShift(bool down) {
    shift = down;
    modifiersChanged();
  }
  /// ⌥ down and up 0.1 s later, then time for the main queue and the key tips.
  void tapOption() {
    setOption(true);
    time.advanceBy(0.1);
    setOption(false);
    time.advanceBy(0.1);
  }
  void press(const std::string& name) {
    auto code = model::keyCodeForName(name);
    ASSERT_TRUE(code) << name;
    if (tap.inject(sim::keyDownEvent(*code, flags())) == platform::Verdict::pass) excel.receiveKey(*code, true, flags());
    time.advanceBy(0.05);
    if (tap.inject(sim::keyUpEvent(*code, flags())) == platform::Verdict::pass) excel.receiveKey(*code, false, flags());
    time.advanceBy(0.1);
  }
  void type(const std::vector<std::string>& keys) {
    for (const auto& k : keys) press(k);
  }
  void click(platform::Point point, bool right = false) {
    if (tap.inject(sim::mouseDownEvent(right, point, flags())) != platform::Verdict::pass || right) return;
    excel.receiveMouse(platform::InputPoster::Mouse::leftDown, point);
    excel.receiveMouse(platform::InputPoster::Mouse::leftUp, point);
    time.advanceBy(0.05);
  }

  /// The library's shortcut at a key path ("H W").
  [[nodiscard]] model::Shortcut shortcut(const std::string& keys) const {
    auto path = model::text::split(keys, " ");
    const auto* found = shell->library()->shortcut(path);
    if (!found) {
      ADD_FAILURE() << "no shortcut at " << keys;
      return {};
    }
    return *found;
  }
  [[nodiscard]] bool logged(const std::string& line) const {
    return std::find(logs.begin(), logs.end(), line) != logs.end();
  }
  [[nodiscard]] int count(const std::string& line) const {
    return static_cast<int>(std::count(logs.begin(), logs.end(), line));
  }
  [[nodiscard]] bool tipsVisible() const {
    for (auto* p : panels.ofKind(platform::PanelKind::keyTipOverlay)) {
      if (p->isVisible()) return true;
    }
    return false;
  }

  sim::VirtualTime time;
  sim::SimExcel excel;
  sim::SimEventTap tap;
  sim::SimKeyLayout layout;
  sim::SimSecureInput secure;
  sim::MemoryDefaults defaults;
  sim::MemoryFiles files;
  sim::SimScreens screens;
  sim::SimTextMetrics metrics;
  sim::SimPanels panels;
  sim::SimWorkspace workspace;
  std::string version = "1.0.0";
  std::string build;
  std::unique_ptr<AppShell> shell;
  std::vector<std::string> logs;
  std::function<void(const std::string&)> onLog;
  /// Runs after the shell is built and before it starts (settings a test wants in place).
  std::function<void()> beforeLaunch = [] {};
  bool option = false;
  bool command = false;
  bool shift = false;
};

}  // namespace corvane::app::testing
