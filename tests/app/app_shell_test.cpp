#include "app/app_shell.hpp"

#include <gtest/gtest.h>

#include "authoring/shortcut_editor_model.hpp"
#include "platform/views/hud_views.hpp"
#include "platform/views/welcome_view.hpp"
#include "shell_harness.hpp"

namespace corvane::app {
namespace {

using feedback::HUDController;
using testing::ShellHarness;
namespace views = platform::views;

std::string noticeText(ShellHarness& h) {
  auto view = h.shell->hud().currentView();
  const auto* notice = dynamic_cast<const views::NoticeView*>(view.get());
  if (!notice || !h.shell->hud().isVisible()) return {};
  return notice->message;
}

// --- Start-up ---

TEST(AppShellStart, RunsItsStepsInOrder) {
  ShellHarness h;
  // At the moment the start is logged, everything before it has happened and nothing after it.
  bool checked = false;
  h.onLog = [&](const std::string& line) {
    if (line.rfind("Corvane started with ", 0) != 0) return;
    checked = true;
    EXPECT_EQ(h.workspace.activitiesBegun(), 1);
    EXPECT_EQ(h.workspace.activityReasons().front(), "Listening for Excel shortcuts");
    EXPECT_EQ(h.workspace.observerCount(), 1u);
    EXPECT_TRUE(h.shell->excelPID().has_value());
    EXPECT_TRUE(h.shell->status().excelRunning.get());
    EXPECT_EQ(h.tap.createCount(), 0) << "the listener starts after the start is logged";
  };
  h.start();
  EXPECT_TRUE(checked);
  EXPECT_EQ(h.logs.front(), "Corvane started with 17 shortcuts");
  EXPECT_EQ(h.logs.back(), "Keyboard tap running");
  EXPECT_EQ(h.tap.createCount(), 1);
  EXPECT_EQ(h.shell->statusLine().text, "Ready: tap ⌥ in Excel");
  EXPECT_FALSE(h.shell->permissionPolling());
  EXPECT_EQ(h.shell->window("welcome"), nullptr) << "no welcome when trusted";
}

TEST(AppShellStart, TheDockIconFollowsTheSettingOnlyWhenItChanges) {
  ShellHarness h;
  h.start();
  EXPECT_EQ(h.workspace.activationPolicy(), platform::ActivationPolicy::regular) << "showInDock is on by default";
  int changes = h.workspace.activationPolicyChanges();
  h.shell->prefs().enabled.set(false);
  h.time.runUntilIdle();
  EXPECT_EQ(h.workspace.activationPolicyChanges(), changes) << "an unrelated setting leaves the policy alone";
  h.shell->prefs().showInDock.set(false);
  h.time.runUntilIdle();
  EXPECT_EQ(h.workspace.activationPolicy(), platform::ActivationPolicy::accessory);
  EXPECT_EQ(h.workspace.activationPolicyChanges(), changes + 1);
}

TEST(AppShellStart, WithoutPermissionWarnsPollsAndWelcomes) {
  ShellHarness h;
  h.start(false);
  EXPECT_EQ(h.shell->statusLine(), (StatusLine{"Needs Accessibility access", false}));
  EXPECT_TRUE(h.shell->permissionPolling());
  ASSERT_NE(h.shell->window("welcome"), nullptr);
  EXPECT_TRUE(h.shell->window("welcome")->isVisible());
  EXPECT_FALSE(h.logged("Keyboard tap running"));
}

TEST(AppShellStart, PermissionGrantedLaterStartsTheListenerWithinOnePoll) {
  ShellHarness h;
  h.start(false);
  h.time.advanceBy(0.2);
  h.grant();
  h.time.advanceBy(AppShell::kPermissionPollInterval);
  EXPECT_TRUE(h.shell->keyTap().isRunning());
  EXPECT_TRUE(h.logged("Keyboard tap running"));
  EXPECT_FALSE(h.shell->permissionPolling()) << "the poll stops itself on success";
  EXPECT_EQ(h.shell->statusLine().text, "Ready: tap ⌥ in Excel");
  for (const auto& line : h.logs) EXPECT_EQ(line.find("Restarting"), std::string::npos) << line;
  EXPECT_EQ(h.excel.trustPrompts(), 0) << "polling never prompts";
  // No second tap appears on later polls.
  h.time.advanceBy(10);
  EXPECT_EQ(h.tap.createCount(), 1);
}

TEST(AppShellStart, VersionNoticeOnlyWhenTheVersionChanged) {
  {
    ShellHarness h;  // first run: nothing stored
    h.start();
    h.time.advanceBy(3);
    EXPECT_EQ(noticeText(h), "");
    EXPECT_EQ(h.defaults.raw("lastRunVersion"), platform::DefaultsValue(std::string("1.0.0")));
  }
  {
    ShellHarness h;
    h.defaults.set("lastRunVersion", std::string("1.0.0"));
    h.start();
    h.time.advanceBy(3);
    EXPECT_EQ(noticeText(h), "");
  }
  ShellHarness h;
  h.defaults.set("lastRunVersion", std::string("0.9.2"));
  h.start();
  h.time.advanceBy(1.9);
  EXPECT_EQ(noticeText(h), "") << "the notice waits 2 s";
  h.time.advanceBy(0.2);
  EXPECT_EQ(noticeText(h), "Corvane 1.0.0 is installed");
  const auto* notice = dynamic_cast<const views::NoticeView*>(h.shell->hud().currentView().get());
  ASSERT_NE(notice, nullptr);
  EXPECT_EQ(notice->lines, (std::vector<std::string>{"See what's changed in this version.", "Updated from 0.9.2"}));
  ASSERT_TRUE(notice->action.has_value());
}

// --- The listener ---

TEST(AppShellListener, WakeBurstsRestartAtMostOncePerThreeSeconds) {
  ShellHarness h;
  h.start();
  const std::string restart = "Restarting the keyboard listener (DidWakeNotification)";
  h.workspace.postSystemEvent(platform::WorkspaceEventKind::didWake);
  h.time.advanceBy(1.0);
  h.workspace.postSystemEvent(platform::WorkspaceEventKind::didWake);
  h.time.advanceBy(0.01);
  EXPECT_EQ(h.count(restart), 1);
  h.time.advanceBy(2.99);  // 4 s after the first
  h.workspace.postSystemEvent(platform::WorkspaceEventKind::didWake);
  h.time.advanceBy(0.01);
  EXPECT_EQ(h.count(restart), 2);
  EXPECT_EQ(h.tap.createCount(), 3);
  EXPECT_TRUE(h.shell->keyTap().isRunning());
}

TEST(AppShellListener, ExactlyThreeSecondsIsStillTooSoon) {
  ShellHarness h;
  h.start();
  h.shell->restartListener("NSWorkspaceDidWakeNotification");
  h.time.advanceBy(AppShell::kRestartGuard);
  h.shell->restartListener("com.apple.screenIsUnlocked");
  EXPECT_FALSE(h.logged("Restarting the keyboard listener (com.apple.screenIsUnlocked)"));
  h.time.advanceBy(0.001);
  h.shell->restartListener("com.apple.screenIsUnlocked");
  EXPECT_TRUE(h.logged("Restarting the keyboard listener (com.apple.screenIsUnlocked)"));
}

TEST(AppShellListener, RestartWithoutPermissionDoesNothing) {
  ShellHarness h;
  h.start(false);
  h.shell->restartListener("NSWorkspaceDidWakeNotification");
  EXPECT_EQ(h.count("Restarting the keyboard listener (DidWakeNotification)"), 0);
}

TEST(AppShellListener, WakeHidesAnOpenSequence) {
  ShellHarness h;
  h.beforeLaunch = [&] { (void)h.shell->prefs().assign("keyListMode", "always"); };
  h.start();
  h.tapOption();
  ASSERT_TRUE(h.shell->hud().showsKeyListOrBusy());
  h.workspace.postSystemEvent(platform::WorkspaceEventKind::screensDidWake);
  h.time.advanceBy(0.01);
  EXPECT_FALSE(h.shell->hud().isVisible());
  EXPECT_FALSE(h.shell->engine().inSequence());
  EXPECT_FALSE(h.shell->iconListening());
}

TEST(AppShellListener, RestartTapSkipsTheGuard) {
  ShellHarness h;
  h.start();
  h.shell->restartTap();
  h.shell->restartTap();
  EXPECT_EQ(h.tap.createCount(), 3);
  EXPECT_TRUE(h.shell->keyTap().isRunning());
}

TEST(AppShellListener, RestartTapWithoutPermissionOffersTheDialog) {
  ShellHarness h;
  h.start(false);
  h.shell->restartTap();
  EXPECT_EQ(h.excel.trustPrompts(), 1);
  EXPECT_TRUE(h.shell->permissionPolling());
}

TEST(AppShellListener, OpenAccessibilitySettingsPromptsOpensAndPolls) {
  ShellHarness h;
  h.start(false);
  auto prompts = h.excel.trustPrompts();
  h.shell->openAccessibilitySettings();
  EXPECT_EQ(h.excel.trustPrompts(), prompts + 1);
  ASSERT_FALSE(h.workspace.openRequests().empty());
  EXPECT_EQ(h.workspace.openRequests().back().target,
            "x-apple.systempreferences:com.apple.preference.security?Privacy_Accessibility");
  EXPECT_TRUE(h.shell->permissionPolling());
}

// --- Excel tracking ---

TEST(AppShellExcel, SwitchingAwayHidesTheSequenceAndItsTips) {
  ShellHarness h;
  h.beforeLaunch = [&] { (void)h.shell->prefs().assign("keyListMode", "always"); };
  h.start();
  h.tapOption();
  h.press("h");
  ASSERT_TRUE(h.shell->hud().showsKeyListOrBusy());
  ASSERT_TRUE(h.tipsVisible());
  ASSERT_TRUE(h.shell->iconListening());
  h.workspace.switchTo("Safari");
  h.time.advanceBy(0.05);
  EXPECT_FALSE(h.shell->excelPID().has_value());
  EXPECT_FALSE(h.shell->hud().isVisible());
  EXPECT_FALSE(h.tipsVisible());
  EXPECT_FALSE(h.shell->engine().inSequence());
  EXPECT_FALSE(h.shell->pendingList().has_value());
  EXPECT_FALSE(h.shell->iconListening());
  // Typing in another application goes nowhere near the engine.
  h.tapOption();
  EXPECT_FALSE(h.shell->engine().inSequence());
}

TEST(AppShellExcel, LaunchAndQuitFollowExcel) {
  ShellHarness h("not-running");
  h.start(true, false);
  EXPECT_FALSE(h.shell->status().excelRunning.get());
  EXPECT_FALSE(h.shell->excelPID().has_value());
}

// --- Effects ---

struct ModeCase {
  const char* mode;
  bool tips;
  bool keyList;
};

class KeyListModes : public ::testing::TestWithParam<ModeCase> {};

TEST_P(KeyListModes, ShowTheKeyListAsTheModeSays) {
  const auto& c = GetParam();
  ShellHarness h;
  h.beforeLaunch = [&] {
    ASSERT_TRUE(h.shell->prefs().assign("keyListMode", c.mode));
    ASSERT_TRUE(h.shell->prefs().assign("showRibbonTips", c.tips ? "true" : "false"));
  };
  h.start();
  h.tapOption();
  h.press("h");
  EXPECT_EQ(h.shell->hud().showsKeyListOrBusy(), c.keyList);
  EXPECT_EQ(h.tipsVisible(), c.tips);
  EXPECT_FALSE(h.shell->pendingList().has_value()) << "the tips' outcome settles the pending list";
}

INSTANTIATE_TEST_SUITE_P(AppShellEffects, KeyListModes,
                         ::testing::Values(ModeCase{"always", true, true}, ModeCase{"always", false, true},
                                           ModeCase{"whenNoTips", true, false}, ModeCase{"whenNoTips", false, true},
                                           ModeCase{"never", true, false}, ModeCase{"never", false, false}),
                         [](const auto& info) {
                           return std::string(info.param.mode) + (info.param.tips ? "WithTips" : "WithoutTips");
                         });

TEST(AppShellEffects, WrongKeyWithoutTheKeyListOnlyBeeps) {
  ShellHarness h;
  h.beforeLaunch = [&] { (void)h.shell->prefs().assign("keyListMode", "never"); };
  h.start();
  h.tapOption();
  h.press("z");
  EXPECT_EQ(noticeText(h), "");
  EXPECT_EQ(h.workspace.beepCount(), 1);
}

TEST(AppShellEffects, TypedShortcutRunsAndLogs) {
  ShellHarness h;
  h.start();
  h.tapOption();
  h.type({"h", "o", "i"});
  h.time.runUntilIdle();
  EXPECT_EQ(h.excel.commandsRun(), std::vector<std::string>{"AutoFit Column Width"});
  bool found = false;
  for (const auto& line : h.logs) found = found || line.rfind("⌥ H O I “AutoFit Column Width” → ok", 0) == 0;
  EXPECT_TRUE(found);
  EXPECT_FALSE(h.shell->iconListening());
  EXPECT_FALSE(h.shell->hud().isVisible());
}

TEST(AppShellEffects, RunAnimationEasesAndEnds) {
  ShellHarness h;
  h.start();
  std::vector<double> positions;
  auto subscription = h.shell->iconChanged.subscribe([&] {
    if (h.shell->iconCar()) positions.push_back(*h.shell->iconCar());
  });
  h.shell->handleEffects({engine::RunEffect{model::Shortcut{}}});
  h.time.advanceBy(0.6);
  ASSERT_GE(positions.size(), 10u);
  EXPECT_TRUE(std::is_sorted(positions.begin(), positions.end()));
  EXPECT_LT(positions.front(), 0.02) << "eases in";
  EXPECT_GT(positions.back(), 0.98) << "eases out";
  EXPECT_FALSE(h.shell->iconCar().has_value()) << "idle after 0.55 s";
}

TEST(AppShellEffects, ReduceMotionRunsWithoutAnimation) {
  ShellHarness h;
  h.workspace.setReduceMotion(true);
  h.start();
  int redraws = 0;
  auto subscription = h.shell->iconChanged.subscribe([&] { redraws += h.shell->iconCar() ? 1 : 0; });
  h.shell->handleEffects({engine::RunEffect{model::Shortcut{}}});
  h.time.advanceBy(0.6);
  EXPECT_EQ(redraws, 0);
}

TEST(AppShellEffects, MouseCancelClearsTheListeningIcon) {
  ShellHarness h;
  h.beforeLaunch = [&] { (void)h.shell->prefs().assign("keyListMode", "always"); };
  h.start();
  h.tapOption();
  ASSERT_TRUE(h.shell->iconListening());
  h.click({700, 500});
  h.time.advanceBy(0.01);
  EXPECT_FALSE(h.shell->engine().inSequence());
  EXPECT_FALSE(h.shell->hud().isVisible());
  EXPECT_FALSE(h.tipsVisible());
  EXPECT_FALSE(h.shell->iconListening());
}

TEST(AppShellEffects, PausedShellResetsAnOpenSequence) {
  ShellHarness h;
  h.beforeLaunch = [&] { (void)h.shell->prefs().assign("keyListMode", "always"); };
  h.start();
  h.tapOption();
  ASSERT_TRUE(h.shell->engine().inSequence());
  h.shell->prefs().enabled.set(false);
  h.time.advanceBy(0.01);
  EXPECT_FALSE(h.shell->engine().inSequence());
  EXPECT_FALSE(h.shell->hud().isVisible());
  EXPECT_EQ(h.shell->statusLine(), (StatusLine{"Paused", false}));
}

// --- Secure Input ---

TEST(AppShellSecureInput, MessageNamesTheOwner) {
  struct Case {
    std::optional<std::string> owner;
    std::string message;
    std::string logLine;
  };
  const std::vector<Case> cases{
      {std::nullopt,
       "macOS Secure Input is on, so Corvane can't see your keys. Close any open password field, or lock and unlock "
       "your Mac (⌃⌘Q).",
       "Secure Input is on: macOS hides the letters you type from Corvane"},
      {"loginwindow",
       "macOS left Secure Input on after unlocking, so Corvane can't see your keys. Lock and unlock your Mac (⌃⌘Q).",
       "Secure Input is on: macOS hides the letters you type from Corvane"},
      {"1Password",
       "1Password has Secure Input on (a password field), so Corvane can't see your keys. Close it or quit 1Password.",
       "Secure Input is on: macOS hides the letters you type from Corvane"},
  };
  for (const auto& c : cases) {
    ShellHarness h;
    h.start();
    if (c.owner) {
      h.secure.addApplication(77, *c.owner);
      h.secure.turnOn(77);
    } else {
      h.secure.turnOn();
    }
    h.setOption(true);
    h.time.advanceBy(0.01);
    EXPECT_EQ(noticeText(h), c.message);
    const auto* notice = dynamic_cast<const views::NoticeView*>(h.shell->hud().currentView().get());
    ASSERT_NE(notice, nullptr);
    EXPECT_TRUE(notice->isError);
    EXPECT_TRUE(h.logged(c.logLine));
    h.time.advanceBy(7.9);
    EXPECT_TRUE(h.shell->hud().isVisible());
    h.time.advanceBy(0.2);
    EXPECT_FALSE(h.shell->hud().isVisible()) << "shown for 8 s";
  }
}

// --- The status item and toggles ---

StatusItemEvent click(bool option, bool control, bool rightMouseUp) {
  StatusItemEvent event;
  event.optionHeld = option;
  event.controlHeld = control;
  event.rightMouseUp = rightMouseUp;
  return event;
}

TEST(AppShellStatusItem, ClicksFollowTheSettings) {
  struct Case {
    const char* menuBarClick;
    bool alternates;
    StatusItemEvent click;
    bool toggles;
  };
  const std::vector<Case> cases{
      {"toggle", true, click(false, false, false), true},
      {"toggle", true, click(false, false, true), false},
      {"toggle", true, click(false, true, false), false},
      {"toggle", false, click(false, false, true), true},
      {"showPanel", true, click(false, false, false), false},
      {"showPanel", true, click(false, false, true), true},
      {"showPanel", false, click(false, false, true), false},
  };
  for (const auto& c : cases) {
    ShellHarness h;
    h.beforeLaunch = [&] {
      ASSERT_TRUE(h.shell->prefs().assign("menuBarClick", c.menuBarClick));
      ASSERT_TRUE(h.shell->prefs().assign("rightClickAlternates", c.alternates ? "true" : "false"));
    };
    h.start();
    h.shell->statusItemClicked(c.click);
    h.time.advanceBy(0.01);
    EXPECT_EQ(!h.shell->prefs().enabled.get(), c.toggles) << c.menuBarClick << " " << c.alternates;
    EXPECT_EQ(h.workspace.hapticCount(), c.toggles ? 1 : 0);
    EXPECT_EQ(h.shell->quickPanel().isOpen(), !c.toggles) << "every other click opens the menu-bar panel";
    if (c.toggles) {
      EXPECT_EQ(noticeText(h), "Excel shortcuts off");
    }
  }
}

TEST(AppShellStatusItem, ToggleClosesAnOpenPanel) {
  ShellHarness h;
  h.start();
  h.shell->statusItemClicked(click(false, false, false));
  h.time.advanceBy(0.01);
  ASSERT_TRUE(h.shell->quickPanel().isOpen());
  h.shell->toggleEnabled();
  EXPECT_FALSE(h.shell->quickPanel().isOpen());
  EXPECT_FALSE(h.shell->prefs().enabled.get());
}

TEST(AppShellStatusItem, IconFollowsPermissionSequenceAndSwitch) {
  ShellHarness h;
  h.beforeLaunch = [&] { (void)h.shell->prefs().assign("dimIconWhenOff", "true"); };
  h.start(false);
  EXPECT_EQ(h.shell->statusIcon().symbol, StatusIconState::Symbol::warning);
  EXPECT_EQ(h.shell->statusIcon().toolTip, "Needs Accessibility access");
  h.grant();
  h.time.advanceBy(AppShell::kPermissionPollInterval);
  EXPECT_EQ(h.shell->statusIcon().symbol, StatusIconState::Symbol::logo);
  // Back in Excel, the welcome window is no longer the key window.
  for (auto* panel : h.panels.all()) {
    if (panel->isKey()) panel->resignKey();
  }
  h.tapOption();
  EXPECT_TRUE(h.shell->statusIcon().listening);
  h.shell->prefs().enabled.set(false);
  h.time.advanceBy(0.01);
  EXPECT_TRUE(h.shell->statusIcon().disabledLook);
  EXPECT_FALSE(h.shell->statusIcon().listening);
}

TEST(AppShellStatusItem, OptionClickAlwaysOpensSettings) {
  ShellHarness h;
  h.start();
  h.shell->statusItemClicked(click(true, false, true));
  ASSERT_NE(h.shell->window("settings"), nullptr);
  EXPECT_TRUE(h.shell->window("settings")->isVisible());
  EXPECT_TRUE(h.shell->prefs().enabled.get());
}

TEST(AppShellStatusItem, ToggleTwiceSaysOnAgainAndStores) {
  ShellHarness h;
  h.start();
  h.shell->toggleEnabled();
  EXPECT_EQ(h.defaults.raw("enabled"), platform::DefaultsValue(false));
  h.shell->toggleEnabled();
  EXPECT_EQ(noticeText(h), "Excel shortcuts on");
  EXPECT_EQ(h.defaults.raw("enabled"), platform::DefaultsValue(true));
  h.shell->toggleRibbonTips();
  h.shell->toggleLearningHints();
  EXPECT_FALSE(h.shell->prefs().showRibbonTips.get());
  EXPECT_FALSE(h.shell->prefs().learningHints.get());
}

// --- Palette runs, fixes and the recent list ---

TEST(AppShellPalette, RunWithoutExcelShowsTheProblem) {
  ShellHarness h("not-running");
  h.start(true, false);
  model::Shortcut wrap;
  wrap.keys = {"H", "W"};
  wrap.name = "Wrap Text";
  h.shell->runFromPalette(wrap);
  const auto* problem = dynamic_cast<const views::ProblemView*>(h.shell->hud().currentView().get());
  ASSERT_NE(problem, nullptr);
  EXPECT_EQ(problem->title, "Open Excel first");
  EXPECT_EQ(problem->detail, "Shortcuts run in the workbook that's open in Excel.");
  EXPECT_EQ(problem->keysLine, "⌥ H W · Wrap Text");
  EXPECT_TRUE(problem->fixes.empty());
}

TEST(AppShellPalette, ActivatesExcelAndWaitsForIt) {
  ShellHarness h;
  h.start(true, false);
  h.workspace.setActivationDelay(0.3);
  auto wrap = h.shortcut("H W");
  h.shell->runFromPalette(wrap);
  h.time.advanceBy(0.2);
  EXPECT_TRUE(h.excel.commandsRun().empty()) << "nothing runs before Excel is in front";
  h.time.runUntilIdle();
  EXPECT_EQ(h.excel.commandsRun(), std::vector<std::string>{"Wrap Text"});
  EXPECT_EQ(h.workspace.activationRequests().size(), 1u);
}

TEST(AppShellPalette, GivesUpWaitingAfterTwentyPolls) {
  ShellHarness h;
  h.start(true, false);
  h.workspace.setActivationDelay(100);
  auto wrap = h.shortcut("H W");
  h.shell->runFromPalette(wrap);
  double started = h.time.uptime();
  h.time.advanceBy(AppShell::kActivationPolls * AppShell::kActivationPollInterval - 0.01);
  EXPECT_FALSE(h.shell->hud().isVisible()) << "still waiting after " << h.time.uptime() - started << " s";
  h.time.advanceBy(0.02);
  const auto* problem = dynamic_cast<const views::ProblemView*>(h.shell->hud().currentView().get());
  ASSERT_NE(problem, nullptr) << "gave up after " << h.time.uptime() - started << " s";
  EXPECT_EQ(problem->title, "Excel didn't come to the front");
  EXPECT_TRUE(h.excel.commandsRun().empty());
}

TEST(AppShellRecent, EveryRunMovesItsKeysToTheFront) {
  ShellHarness h;
  h.start();
  for (const auto& keys : std::vector<std::string>{"H W", "H 1", "H 2", "H 3", "H M C", "H A C", "H W", "H O I"}) {
    h.shell->handleEffects({engine::RunEffect{h.shortcut(keys)}});
    h.time.runUntilIdle();
  }
  EXPECT_EQ(h.shell->recentShortcuts(), (std::vector<std::string>{"H O I", "H W", "H A C", "H M C", "H 3", "H 2"}));
  EXPECT_EQ(h.defaults.raw("recentShortcuts"), platform::DefaultsValue(h.shell->recentShortcuts()));
}

TEST(AppShellFixes, TryAgainRunsTheSameShortcutAgain) {
  ShellHarness h;
  h.start();
  h.shell->handleEffects({engine::RunEffect{h.shortcut("H W")}});
  h.time.runUntilIdle();
  h.shell->applyFix(excel::RunProblem::Fix::tryAgain);
  h.time.runUntilIdle();
  EXPECT_EQ(h.excel.commandsRun(), (std::vector<std::string>{"Wrap Text", "Wrap Text"}));
}

TEST(AppShellFixes, WidenExcelFillsTheScreen) {
  ShellHarness h("narrow");
  h.start();
  auto before = h.excel.workbookFrame();
  ASSERT_TRUE(before);
  h.shell->applyFix(excel::RunProblem::Fix::widenExcel);
  h.time.runUntilIdle();
  auto after = h.excel.workbookFrame();
  ASSERT_TRUE(after);
  EXPECT_GT(after->width, before->width);
}

TEST(AppShellFixes, LanguageSettingsAndReport) {
  ShellHarness h;
  h.start();
  h.shell->applyFix(excel::RunProblem::Fix::languageSettings);
  ASSERT_FALSE(h.workspace.openRequests().empty());
  EXPECT_NE(h.workspace.openRequests().back().target.find("Localization"), std::string::npos);
  h.shell->applyFix(excel::RunProblem::Fix::report);
  EXPECT_TRUE(h.shell->problemReport().isVisible());
}

// --- The user's file ---

TEST(AppShellUserFile, ReloadNoticeCountsProblemsAndListsThree) {
  ShellHarness h;
  h.start();
  const std::string user = R"({"shortcuts": [
    {"keys": "Q 1"}, {"keys": "Q 2"}, {"keys": "Q 3"}, {"keys": "Q 4"}, {"keys": "Q 5"},
    {"keys": "Q 6", "name": "Gridlines", "do": {"ribbon": "Gridlines", "tab": "View"}}
  ]})";
  (void)h.files.createFolders(testing::testPaths().supportFolder);
  (void)h.files.writeAtomic(h.shell->userFile().userFile(), user);
  h.time.advanceBy(0.01);
  EXPECT_TRUE(h.logged("my-shortcuts.json changed: reloading"));
  const auto* notice = dynamic_cast<const views::NoticeView*>(h.shell->hud().currentView().get());
  ASSERT_NE(notice, nullptr);
  EXPECT_TRUE(notice->isError);
  auto lines = model::text::split(notice->message, "\n");
  ASSERT_EQ(lines.size(), 4u) << notice->message;
  EXPECT_EQ(lines[0], "Loaded 18 shortcuts. 5 problem(s), listed in Settings › My Shortcuts.");
  EXPECT_EQ(h.shell->status().warnings.get().size(), 5u);
  EXPECT_NE(h.shell->library()->shortcut(std::vector<std::string>{"Q", "6"}), nullptr);
  EXPECT_EQ(h.shell->engine().library(), h.shell->library());
  h.time.advanceBy(7.1);
  EXPECT_FALSE(h.shell->hud().isVisible()) << "the error notice stays 7 s";
}

TEST(AppShellWindows, TheEditorWindowIsDrivenByItsViewsActions) {
  ShellHarness h;
  h.start();
  h.shell->editShortcuts();
  auto* editor = dynamic_cast<platform::sim::SimPanel*>(h.shell->window("editor"));
  ASSERT_NE(editor, nullptr);
  auto send = [&](platform::PanelAction::Kind kind, std::string id, std::string text = {}) {
    platform::PanelAction a;
    a.kind = kind;
    a.id = std::move(id);
    a.text = std::move(text);
    EXPECT_TRUE(editor->send(a));
    h.time.runUntilIdle();
  };
  using Kind = platform::PanelAction::Kind;
  send(Kind::button, "newShortcut");
  ASSERT_TRUE(h.shell->editorModel().editing());
  send(Kind::button, "recordKeys");
  auto press = [&](std::uint16_t keyCode, std::string character) {
    platform::PanelAction a;
    a.kind = Kind::key;
    a.id = std::move(character);
    a.keyCode = keyCode;
    EXPECT_TRUE(editor->send(a));
  };
  press(12, "q");
  press(26, "7");
  press(36, "\r");  // Return ends recording
  h.time.runUntilIdle();
  EXPECT_EQ(h.shell->editorModel().view().form->keys, (std::vector<std::string>{"Q", "7"}));
  send(Kind::select, "kind", "keystroke");
  send(Kind::text, "combo", "cmd+shift+l");
  send(Kind::text, "name", "Filter Toggle");
  send(Kind::button, "edit", "99999999999");  // an index out of range is ignored
  send(Kind::button, "save");
  auto saved = h.files.read(h.shell->userFile().userFile());
  ASSERT_TRUE(saved.has_value());
  EXPECT_NE(saved->find("Filter Toggle"), std::string::npos) << *saved;
  EXPECT_NE(saved->find("cmd+shift+l"), std::string::npos) << *saved;
}

TEST(AppShellWindows, QuitLetsGoOfTheKeyboardAndEndsTheProcessOnce) {
  ShellHarness h;
  h.start();
  h.shell->quit();
  EXPECT_FALSE(h.shell->keyTap().isRunning());
  EXPECT_EQ(h.terminations, 0) << "not from inside the menu item that asked";
  h.shell->quit();
  h.time.runUntilIdle();
  EXPECT_EQ(h.terminations, 1);
}

TEST(AppShellUserFile, UnchangedFileIsNotReloaded) {
  ShellHarness h;
  h.start();
  h.shell->checkUserFileChanged();
  h.workspace.switchTo("Safari");
  h.workspace.switchTo("Excel");
  h.time.advanceBy(0.1);
  EXPECT_FALSE(h.logged("my-shortcuts.json changed: reloading"));
}

// --- The shortcut check and the menu map ---

TEST(AppShellCheck, WithoutExcelSaysOpenExcelFirst) {
  ShellHarness h("not-running");
  h.start(true, false);
  h.shell->checkShortcuts();
  EXPECT_EQ(noticeText(h), "Open Excel with a workbook first");
  h.shell->dumpMenus();
  EXPECT_EQ(noticeText(h), "Open Excel first");
  h.time.advanceBy(5.1);
  EXPECT_FALSE(h.shell->hud().isVisible());
}

TEST(AppShellCheck, WithoutPermissionOnlyPrompts) {
  ShellHarness h;
  h.start(false);
  auto prompts = h.excel.trustPrompts();
  h.shell->checkShortcuts();
  EXPECT_EQ(h.excel.trustPrompts(), prompts + 1);
  EXPECT_FALSE(h.files.exists(testing::testPaths().supportFolder + "/shortcut-check.txt"));
}

TEST(AppShellCheck, WritesAndOpensTheReports) {
  ShellHarness h;
  h.start();
  h.shell->checkShortcuts();
  const auto* busy = dynamic_cast<const views::BusyView*>(h.shell->hud().currentView().get());
  ASSERT_NE(busy, nullptr);
  EXPECT_EQ(busy->title, "Checking shortcuts against Excel… (the ribbon will flick between tabs)");
  h.time.runUntilIdle();
  const auto check = testing::testPaths().supportFolder + "/shortcut-check.txt";
  auto text = h.files.read(check);
  ASSERT_TRUE(text);
  EXPECT_EQ(text->rfind("Corvane shortcut check — ", 0), 0u);
  EXPECT_FALSE(h.shell->hud().isVisible());
  h.shell->dumpMenus();
  h.time.runUntilIdle();
  const auto map = testing::testPaths().supportFolder + "/excel-menu-map.txt";
  EXPECT_TRUE(h.files.exists(map));
  ASSERT_GE(h.workspace.openRequests().size(), 2u);
  EXPECT_EQ(h.workspace.openRequests().back().target, map);
}

}  // namespace
}  // namespace corvane::app
