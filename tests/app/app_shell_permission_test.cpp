// The accessibility permission followed while Corvane runs, both ways, as a user switches it in
// System Settings at any moment: the tap goes within two seconds (so nothing of the Mac's input is
// held), every surface says so, and listening resumes by itself when the permission returns,
// without opening anything.

#include <gtest/gtest.h>

#include <algorithm>

#include "app/app_shell.hpp"
#include "platform/sim/excel_event.hpp"
#include "platform/sim/sim_panels.hpp"
#include "platform/views/welcome_view.hpp"
#include "shell_harness.hpp"

namespace corvane::app {
namespace {

using testing::ShellHarness;

void openPanel(ShellHarness& h) {
  ASSERT_TRUE(h.shell->prefs().assign("menuBarClick", "showPanel"));
  h.time.advanceBy(QuickPanelController::kReopenGuard + 0.01);
  h.shell->statusItemClicked(StatusItemEvent{});
  h.time.advanceBy(0.01);
  ASSERT_TRUE(h.shell->quickPanel().isOpen());
}

const platform::views::WelcomeView* welcomeView(ShellHarness& h) {
  auto* window = dynamic_cast<platform::sim::SimPanel*>(h.shell->window("welcome"));
  return window ? dynamic_cast<const platform::views::WelcomeView*>(window->content().get()) : nullptr;
}

/// Whether a key typed now reaches Excel.
bool reachesExcel(ShellHarness& h, const std::string& key) {
  auto keys = [&h] {
    return std::ranges::count_if(h.excel.events(), [](const platform::sim::ExcelEvent& e) {
      return e.kind == platform::sim::ExcelEvent::Kind::key;
    });
  };
  auto before = keys();
  h.press(key);
  return keys() > before;
}

void expectStoppedAndSaysSo(ShellHarness& h) {
  EXPECT_FALSE(h.shell->keyTap().isInstalled());
  EXPECT_FALSE(h.tap.isValid()) << "the tap is removed, not merely switched off";
  EXPECT_EQ(h.shell->statusLine().text, "Needs Accessibility access");
  EXPECT_EQ(h.shell->statusIcon().symbol, StatusIconState::Symbol::warning);
  EXPECT_TRUE(h.shell->permissionPolling());
  EXPECT_FALSE(h.shell->permissionWatched());
  EXPECT_TRUE(h.logged("Accessibility access was withdrawn; the keyboard listener stopped until it returns"));
}

TEST(PermissionFollowed, WithdrawnWithoutAWordFromMacOSIsNoticedWithinOnePoll) {
  ShellHarness h;
  h.start();
  ASSERT_TRUE(h.shell->permissionWatched());
  h.excel.setTrusted(false);  // the tap is still on: only asking finds out
  h.time.advanceBy(AppShell::kPermissionPollInterval - 0.1);
  EXPECT_TRUE(h.shell->keyTap().isInstalled()) << "not before the next check";
  h.time.advanceBy(0.2);
  expectStoppedAndSaysSo(h);
  EXPECT_TRUE(reachesExcel(h, "w"));
}

TEST(PermissionFollowed, WithdrawnWithTheSystemSwitchingTheTapOffIsNoticedAtOnce) {
  ShellHarness h;
  h.start();
  h.revoke();
  h.time.advanceBy(0.01);
  expectStoppedAndSaysSo(h);
  EXPECT_EQ(h.tap.heldCount(), 0u) << "never switched on again while untrusted";
  EXPECT_FALSE(h.tap.isEnabled());
  h.time.advanceBy(30);  // watchdog firings and polls on the way change nothing
  EXPECT_EQ(h.tap.heldCount(), 0u);
  EXPECT_EQ(h.excel.trustPrompts(), 0) << "nothing is opened or prompted";
  EXPECT_TRUE(h.workspace.openRequests().empty());
}

TEST(PermissionFollowed, WithdrawnMidSequenceHidesItAndTheRestReachesExcel) {
  ShellHarness h;
  h.start();
  h.tapOption();
  h.press("h");
  ASSERT_TRUE(h.shell->engine().inSequence());
  h.revoke();
  h.time.advanceBy(0.01);
  EXPECT_FALSE(h.shell->engine().inSequence());
  EXPECT_FALSE(h.tipsVisible());
  EXPECT_TRUE(reachesExcel(h, "o"));
  EXPECT_TRUE(reachesExcel(h, "i"));
  h.time.advanceBy(3);
  EXPECT_TRUE(h.excel.commandsRun().empty()) << "nothing runs from half a sequence";
}

TEST(PermissionFollowed, AnOpenPanelAndTheWelcomeFollowWithoutBeingReopened) {
  ShellHarness h;
  h.start();
  h.shell->showWelcome();
  h.time.advanceBy(0.01);
  openPanel(h);
  ASSERT_FALSE(h.shell->quickPanel().model().needsAccess);
  h.excel.setTrusted(false);
  h.time.advanceBy(AppShell::kPermissionPollInterval + 0.01);
  ASSERT_TRUE(h.shell->quickPanel().isOpen());
  EXPECT_TRUE(h.shell->quickPanel().model().needsAccess);
  EXPECT_EQ(h.shell->quickPanel().model().statusText, "Needs Accessibility access");
  ASSERT_NE(welcomeView(h), nullptr);
  EXPECT_TRUE(welcomeView(h)->allowedText.empty());

  h.grant();
  h.time.advanceBy(AppShell::kPermissionPollInterval + 0.01);
  EXPECT_FALSE(h.shell->quickPanel().model().needsAccess);
  EXPECT_EQ(h.shell->quickPanel().model().statusText, "Ready: tap ⌥ in Excel");
  EXPECT_FALSE(welcomeView(h)->allowedText.empty());
}

TEST(PermissionFollowed, ReturnedPermissionResumesListeningByItselfOpeningNothing) {
  ShellHarness h;
  h.start();
  h.revoke();
  h.time.advanceBy(1);
  auto created = h.tap.createCount();
  auto panels = h.panels.createdCount();
  h.grant();
  h.time.advanceBy(AppShell::kPermissionPollInterval + 0.01);
  EXPECT_TRUE(h.shell->keyTap().isRunning());
  EXPECT_EQ(h.shell->statusLine().text, "Ready: tap ⌥ in Excel");
  EXPECT_FALSE(h.shell->permissionPolling());
  EXPECT_TRUE(h.shell->permissionWatched());
  EXPECT_EQ(h.tap.createCount(), created + 1);
  EXPECT_EQ(h.panels.createdCount(), panels) << "no window opened";
  EXPECT_EQ(h.shell->window("welcome"), nullptr);
  EXPECT_TRUE(h.workspace.openRequests().empty());
  h.tapOption();
  h.type({"h", "o", "i"});
  h.time.advanceBy(3);
  EXPECT_FALSE(h.excel.commandsRun().empty());
}

TEST(PermissionFollowed, SwitchedOffAndOnBetweenTwoChecksEndsListening) {
  ShellHarness h;
  h.start();
  h.excel.setTrusted(false);
  h.time.advanceBy(0.5);
  h.excel.setTrusted(true);
  h.time.advanceBy(AppShell::kPermissionPollInterval * 3);
  EXPECT_TRUE(h.shell->keyTap().isRunning());
  EXPECT_EQ(h.tap.createCount(), 1);

  // Off with the system's notice and straight back on before the shell hears of it.
  h.revoke();
  h.grant();
  h.time.advanceBy(AppShell::kPermissionPollInterval * 2);
  EXPECT_TRUE(h.shell->keyTap().isRunning());
  EXPECT_EQ(h.shell->statusLine().text, "Ready: tap ⌥ in Excel");
}

TEST(PermissionFollowed, ARestartWhileUntrustedNeverEnablesATap) {
  ShellHarness h;
  h.start();
  h.revoke();
  h.time.advanceBy(0.01);
  h.shell->restartListener("NSWorkspaceDidWakeNotification");
  h.shell->restartTap();
  h.time.advanceBy(10);
  EXPECT_FALSE(h.tap.isEnabled());
  EXPECT_EQ(h.tap.heldCount(), 0u);
}

}  // namespace
}  // namespace corvane::app
