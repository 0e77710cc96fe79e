#include <gtest/gtest.h>

#include "platform/sim/sim_workspace.hpp"
#include "sim_test_support.hpp"

namespace corvane::platform::sim {
namespace {

using Kind = WorkspaceEventKind;

struct WorkspaceSim : testing::Sim {
  WorkspaceSim() : Sim("default"), workspace(time, excel.get()) {
    token = workspace.observe([this](const WorkspaceEvent& e) { events.push_back(e); });
  }
  std::vector<Kind> kinds() const {
    std::vector<Kind> out;
    for (const auto& e : events) out.push_back(e.kind);
    return out;
  }
  SimWorkspace workspace;
  std::vector<WorkspaceEvent> events;
  std::unique_ptr<WorkspaceToken> token;
};

TEST(SimWorkspace, ExcelFromTheFixtureRunsInFrontWithItsPid) {
  WorkspaceSim sim;
  auto front = sim.workspace.frontmostApplication();
  ASSERT_TRUE(front.has_value());
  EXPECT_EQ(front->bundleIdentifier, "com.microsoft.Excel");
  EXPECT_EQ(front->pid, *sim.excel->pid());
  EXPECT_EQ(sim.workspace.runningApplications().size(), 2u);  // the Finder and Excel
}

TEST(SimWorkspace, NotificationsArriveOnTheMainQueueInOrderNotBefore) {
  WorkspaceSim sim;
  auto other = sim.workspace.switchTo("Safari");
  ASSERT_TRUE(other.has_value());
  EXPECT_TRUE(sim.events.empty());  // nothing is delivered synchronously
  sim.time.runUntilIdle();
  ASSERT_EQ(sim.kinds(), (std::vector<Kind>{Kind::didLaunchApplication, Kind::didActivateApplication}));
  EXPECT_EQ(sim.events[1].app->name, "Safari");
  EXPECT_EQ(sim.events[1].name, "NSWorkspaceDidActivateApplicationNotification");
  EXPECT_FALSE(sim.excel->isFrontmost());
  // Switching to an application already in front says nothing.
  sim.events.clear();
  sim.workspace.switchTo("safari");
  sim.time.runUntilIdle();
  EXPECT_TRUE(sim.events.empty());
}

TEST(SimWorkspace, TerminatingTheFrontApplicationBringsTheFinderForward) {
  WorkspaceSim sim;
  auto pid = *sim.excel->pid();
  EXPECT_TRUE(sim.workspace.terminate(pid));
  EXPECT_FALSE(sim.excel->isRunning());
  sim.time.runUntilIdle();
  ASSERT_EQ(sim.kinds(), (std::vector<Kind>{Kind::didTerminateApplication, Kind::didActivateApplication}));
  EXPECT_EQ(sim.events[0].app->pid, pid);
  EXPECT_EQ(sim.workspace.frontmostApplication()->name, "Finder");
  EXPECT_FALSE(sim.workspace.terminate(pid));  // gone already
  EXPECT_FALSE(sim.workspace.terminate(SimWorkspace::kFinderPid));
  EXPECT_FALSE(sim.workspace.activate(pid));
}

TEST(SimWorkspace, ExcelQuittingByItselfIsReportedOnce) {
  WorkspaceSim sim;
  sim.excel->quit();
  (void)sim.workspace.runningApplications();
  (void)sim.workspace.frontmostApplication();
  sim.time.runUntilIdle();
  EXPECT_EQ(sim.kinds(), (std::vector<Kind>{Kind::didTerminateApplication, Kind::didActivateApplication}));
  // Launching starts it in the background.
  auto pid = sim.workspace.launch("com.microsoft.Excel", "Microsoft Excel");
  ASSERT_TRUE(pid.has_value());
  sim.time.runUntilIdle();
  EXPECT_EQ(sim.kinds().back(), Kind::didLaunchApplication);
  EXPECT_EQ(sim.workspace.frontmostApplication()->name, "Finder");
  EXPECT_FALSE(sim.excel->isFrontmost());
}

TEST(SimWorkspace, ActivationWithADelayTakesEffectOnlyAfterIt) {
  WorkspaceSim sim;
  sim.workspace.switchTo("Mail");
  sim.time.runUntilIdle();
  sim.events.clear();
  sim.workspace.setActivationDelay(0.2);
  auto excelPid = *sim.excel->pid();
  EXPECT_TRUE(sim.workspace.activate(excelPid));
  sim.time.advanceBy(0.19);
  EXPECT_EQ(sim.workspace.frontmostApplication()->name, "Mail");
  sim.time.advanceBy(0.02);
  EXPECT_EQ(sim.workspace.frontmostApplication()->pid, excelPid);
  EXPECT_TRUE(sim.excel->isFrontmost());
  EXPECT_EQ(sim.workspace.activationRequests(), (std::vector<std::int32_t>{excelPid}));
}

TEST(SimWorkspace, ObserversThatEndDuringDeliveryOrBeforeItHearNothingMore) {
  VirtualTime time;
  SimWorkspace workspace(time);
  int first = 0, second = 0;
  std::unique_ptr<WorkspaceToken> secondToken;
  auto firstToken = workspace.observe([&](const WorkspaceEvent&) {
    ++first;
    secondToken.reset();
  });
  secondToken = workspace.observe([&](const WorkspaceEvent&) { ++second; });
  workspace.postSystemEvent(Kind::didWake);
  time.runUntilIdle();
  EXPECT_EQ(first, 1);
  EXPECT_EQ(second, 0);
  // An event posted, then the observation ends before delivery: not delivered.
  workspace.postSystemEvent(Kind::screenIsUnlocked);
  firstToken.reset();
  time.runUntilIdle();
  EXPECT_EQ(first, 1);
  EXPECT_EQ(workspace.observerCount(), 0u);
}

TEST(SimWorkspace, PendingNotificationsOutlivingTheWorkspaceAreDropped) {
  VirtualTime time;
  int heard = 0;
  {
    SimWorkspace workspace(time);
    auto token = workspace.observe([&](const WorkspaceEvent&) { ++heard; });
    workspace.postSystemEvent(Kind::didWake);
    workspace.setActivationDelay(1);
    EXPECT_TRUE(workspace.activate(SimWorkspace::kFinderPid));
  }
  time.runUntilIdle();
  EXPECT_EQ(heard, 0);
}

TEST(SimWorkspace, WithoutAFixtureExcelCannotStart) {
  VirtualTime time;
  SimWorkspace workspace(time);
  EXPECT_FALSE(workspace.launch("com.microsoft.Excel", "Microsoft Excel").has_value());
  EXPECT_FALSE(workspace.switchTo("Excel").has_value());
  EXPECT_EQ(workspace.runningApplications().size(), 1u);
}

TEST(SimWorkspace, OpeningRevealingAndFeedbackAreRecorded) {
  VirtualTime time;
  SimWorkspace workspace(time);
  EXPECT_TRUE(workspace.openURL("https://example.com"));
  EXPECT_FALSE(workspace.openFileWithApplication("/a.json", "BBEdit"));
  EXPECT_TRUE(workspace.openFileWithApplication("/a.json", "TextEdit"));
  workspace.revealFile("/a.json");
  workspace.setInstalledApplications({});
  EXPECT_FALSE(workspace.openFileWithApplication("/a.json", "TextEdit"));
  EXPECT_TRUE(workspace.openFile("/a.json"));
  using K = OpenRequest::Kind;
  EXPECT_EQ(workspace.openRequests(),
            (std::vector<OpenRequest>{{K::url, "https://example.com", ""},
                                      {K::fileWithApplication, "/a.json", "TextEdit"},
                                      {K::reveal, "/a.json", ""},
                                      {K::file, "/a.json", ""}}));
  workspace.beep();
  workspace.beep();
  workspace.hapticLevelChange();
  EXPECT_EQ(workspace.beepCount(), 2);
  EXPECT_EQ(workspace.hapticCount(), 1);
}

TEST(SimWorkspace, EmailNeedsTheServiceSwitchedOn) {
  VirtualTime time;
  SimWorkspace workspace(time);
  EmailDraft draft{{"help@example.com"}, "subject", "body", {}};
  EXPECT_FALSE(workspace.canComposeEmail());
  EXPECT_FALSE(workspace.composeEmail(draft));
  workspace.setEmailService(true);
  EXPECT_TRUE(workspace.composeEmail(draft));
  ASSERT_EQ(workspace.composedEmails().size(), 1u);
  EXPECT_EQ(workspace.composedEmails()[0].subject, "subject");
}

TEST(SimWorkspace, ActivityTokensAreCountedWhileHeld) {
  VirtualTime time;
  SimWorkspace workspace(time);
  {
    auto a = workspace.beginActivity("Listening for Excel shortcuts");
    auto b = workspace.beginActivity("other");
    EXPECT_EQ(workspace.activeActivities(), 2);
  }
  EXPECT_EQ(workspace.activeActivities(), 0);
  EXPECT_EQ(workspace.activitiesBegun(), 2);
  EXPECT_EQ(workspace.activityReasons().front(), "Listening for Excel shortcuts");
}

}  // namespace
}  // namespace corvane::platform::sim
