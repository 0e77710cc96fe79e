// The shell's surfaces as a user meets them after something changed underneath: the permission
// withdrawn, the user's file edited by hand, Excel that does not come forward, a notice with a
// button, a wrong key in the key list, the report's system lines and the log that is opened.

#include <gtest/gtest.h>

#include <algorithm>

#include "app/app_shell.hpp"
#include "authoring/shortcut_editor_model.hpp"
#include "platform/views/hud_views.hpp"
#include "shell_harness.hpp"

namespace corvane::app {
namespace {

using testing::ShellHarness;
namespace views = platform::views;

StatusItemEvent leftClick() { return StatusItemEvent{}; }

void openPanel(ShellHarness& h) {
  ASSERT_TRUE(h.shell->prefs().assign("menuBarClick", "showPanel"));
  h.time.advanceBy(0.01);
  if (h.shell->quickPanel().isOpen()) h.shell->quickPanel().close();
  h.time.advanceBy(QuickPanelController::kReopenGuard + 0.01);
  h.shell->statusItemClicked(leftClick());
  h.time.advanceBy(0.01);
  ASSERT_TRUE(h.shell->quickPanel().isOpen());
}

bool hasRow(const QuickPanelModel& model, QuickPanelCommand command) {
  return std::ranges::any_of(model.rows, [command](const auto& row) { return row.second == command; });
}

std::string lineStarting(const std::string& text, const std::string& start) {
  for (const auto& line : model::text::split(text, "\n")) {
    if (line.starts_with(start)) return line;
  }
  return {};
}

// --- The permission withdrawn while running ---

TEST(ShellSurfaces, PanelOpenedAfterThePermissionWentSaysSoAndOffersTheFix) {
  ShellHarness h;
  h.start();
  openPanel(h);
  ASSERT_EQ(h.shell->quickPanel().model().statusText, "Ready: tap ⌥ in Excel");
  h.shell->quickPanel().close();

  h.excel.setTrusted(false);  // the user took Corvane out of the Accessibility list
  openPanel(h);
  const auto& model = h.shell->quickPanel().model();
  EXPECT_EQ(model.statusText, "Needs Accessibility access");
  EXPECT_EQ(model.tone, PanelTone::bad);
  EXPECT_TRUE(model.needsAccess);
  EXPECT_TRUE(hasRow(model, QuickPanelCommand::allowAccess));
  EXPECT_EQ(h.shell->statusIcon().symbol, StatusIconState::Symbol::warning) << "the icon is refreshed with it";
}

TEST(ShellSurfaces, PanelOpenedAfterTheTapStoppedOffersTheRestart) {
  ShellHarness h;
  h.start();
  h.tap.switchOffSilently();
  openPanel(h);
  const auto& model = h.shell->quickPanel().model();
  EXPECT_EQ(model.statusText, "Keyboard listener stopped");
  EXPECT_TRUE(model.listenerStopped);
  EXPECT_TRUE(hasRow(model, QuickPanelCommand::restartListener));
}

TEST(ShellSurfaces, ReportSystemLineReadsThePermissionAsItIsNow) {
  ShellHarness h;
  h.start();
  EXPECT_EQ(lineStarting(h.shell->problemReport().body(), "Accessibility"),
            "Accessibility allowed, keyboard listening");
  h.excel.setTrusted(false);
  EXPECT_EQ(lineStarting(h.shell->problemReport().body(), "Accessibility "),
            "Accessibility not allowed, keyboard listening");
}

// --- The user's file edited by hand ---

TEST(ShellSurfaces, HandEditRefreshesTheEditorsEntriesAndEveryCount) {
  ShellHarness h;
  h.start();
  openPanel(h);  // the editor's entries are read once here
  EXPECT_EQ(h.shell->quickPanel().model().myShortcutCount, 0);
  h.shell->quickPanel().close();

  (void)h.files.createFolders(testing::testPaths().supportFolder);
  (void)h.files.writeAtomic(h.shell->userFile().userFile(), R"({"shortcuts": [
    {"keys": "Q G", "name": "Gridlines", "do": {"ribbon": "Gridlines", "tab": "View"}},
    {"keys": "Q F", "name": "Freeze", "do": {"menu": "View > Freeze Panes"}}]})");
  h.time.advanceBy(0.01);
  ASSERT_TRUE(h.logged("my-shortcuts.json changed: reloading"));

  EXPECT_EQ(h.shell->editorModel().entries().size(), 2u);
  openPanel(h);
  EXPECT_EQ(h.shell->quickPanel().model().myShortcutCount, 2);
  EXPECT_EQ(lineStarting(h.shell->problemReport().body(), "Shortcuts:"),
            "Shortcuts: 19 loaded, 2 of your own, 0 problems");
}

// --- Runs from the palette or the editor ---

TEST(ShellSurfaces, RunThatWaitsInVainForExcelSaysSoAndIsNotRecent) {
  ShellHarness h;
  h.start(true, false);
  h.workspace.setActivationDelay(100);  // Excel never comes forward in time
  h.shell->runFromPalette(h.shortcut("H W"));
  h.time.advanceBy(AppShell::kActivationPolls * AppShell::kActivationPollInterval + AppShell::kActivationSettle + 0.1);
  const auto* problem = dynamic_cast<const views::ProblemView*>(h.shell->hud().currentView().get());
  ASSERT_NE(problem, nullptr) << "the user is told why nothing happened";
  EXPECT_TRUE(h.shell->hud().isVisible());
  EXPECT_EQ(problem->keysLine, "⌥ H W · Wrap Text");
  EXPECT_TRUE(h.excel.commandsRun().empty());
  EXPECT_TRUE(h.shell->recentShortcuts().empty()) << "a run that never started is not recent";
}

TEST(ShellSurfaces, RunWhenExcelQuitWhileWaitingShowsOpenExcelFirst) {
  ShellHarness h;
  h.start(true, false);
  h.workspace.setActivationDelay(100);
  h.shell->runFromPalette(h.shortcut("H W"));
  h.time.advanceBy(0.5);
  auto pid = h.excel.pid();
  ASSERT_TRUE(pid);
  h.workspace.terminate(*pid);
  h.time.advanceBy(2);
  const auto* problem = dynamic_cast<const views::ProblemView*>(h.shell->hud().currentView().get());
  ASSERT_NE(problem, nullptr);
  EXPECT_EQ(problem->title, "Open Excel first");
  EXPECT_TRUE(h.shell->recentShortcuts().empty());
}

TEST(ShellSurfaces, RunThatStartsIsRecent) {
  ShellHarness h;
  h.start(true, false);
  h.workspace.setActivationDelay(0.3);
  h.shell->runFromPalette(h.shortcut("H W"));
  h.time.runUntilIdle();
  EXPECT_EQ(h.excel.commandsRun(), std::vector<std::string>{"Wrap Text"});
  EXPECT_EQ(h.shell->recentShortcuts(), std::vector<std::string>{"H W"});
}

// --- The key-list panel ---

TEST(ShellSurfaces, VersionNoticeButtonTakesTheMouse) {
  ShellHarness h;
  h.defaults.set("lastRunVersion", std::string("0.9.0"));
  h.start();
  h.time.advanceBy(2.1);
  const auto* notice = dynamic_cast<const views::NoticeView*>(h.shell->hud().currentView().get());
  ASSERT_NE(notice, nullptr);
  ASSERT_TRUE(notice->action);
  EXPECT_FALSE(h.panels.first(platform::PanelKind::hud)->ignoresMouse())
      << "clicks on “See What's New” must not fall through to Excel";
}

TEST(ShellSurfaces, WrongKeyWithTheListAlwaysShownKeepsTheList) {
  ShellHarness h;
  h.beforeLaunch = [&] { (void)h.shell->prefs().assign("keyListMode", "always"); };
  h.start();
  h.tapOption();
  h.press("h");
  h.press("z");
  EXPECT_EQ(h.workspace.beepCount(), 1);
  h.time.advanceBy(1.5);
  ASSERT_TRUE(h.shell->hud().isVisible()) << "the sequence is still open";
  const auto* list = dynamic_cast<const views::KeyListView*>(h.shell->hud().currentView().get());
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->pathKeys, std::vector<std::string>{"H"});
  h.press("w");
  h.time.runUntilIdle();
  EXPECT_EQ(h.excel.commandsRun(), std::vector<std::string>{"Wrap Text"}) << "the sequence goes on after the wrong key";
}

// --- The problem report and the log ---

TEST(ShellSurfaces, ReportNamesTheSystemOnceAndCarriesTheBuild) {
  ShellHarness h;
  h.build = "4711";
  h.start();
  auto body = h.shell->problemReport().body();
  EXPECT_EQ(lineStarting(body, "Corvane "), "Corvane 1.0.0 (4711)");
  EXPECT_EQ(lineStarting(body, "macOS"), "macOS 14.5");
}

TEST(ShellSurfaces, OpeningTheLogWithoutAFileLogsFirst) {
  ShellHarness h;
  h.start();
  h.time.runUntilIdle();
  const auto log = testing::testPaths().logFile;
  ASSERT_TRUE(h.files.remove(log));
  h.shell->openLog();
  h.time.runUntilIdle();
  auto text = h.files.read(log);
  ASSERT_TRUE(text);
  EXPECT_NE(text->find("  Log opened\n"), std::string::npos) << *text;
  ASSERT_FALSE(h.workspace.openRequests().empty());
  EXPECT_EQ(h.workspace.openRequests().back().target, log);
  EXPECT_TRUE(h.logged("Log opened"));
}

TEST(ShellSurfaces, OpeningAnExistingLogLogsNothing) {
  ShellHarness h;
  h.start();
  h.time.runUntilIdle();
  h.shell->openLog();
  h.time.runUntilIdle();
  EXPECT_FALSE(h.logged("Log opened"));
  ASSERT_FALSE(h.workspace.openRequests().empty());
  EXPECT_EQ(h.workspace.openRequests().back().target, testing::testPaths().logFile);
}

}  // namespace
}  // namespace corvane::app
