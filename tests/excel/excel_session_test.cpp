#include "excel/excel_session.hpp"

#include <gtest/gtest.h>

#include "excel/excel_app.hpp"
#include "excel_sim.hpp"

// The bounds of one piece of work on Excel: every reference it touches carries its timeout, the
// first unanswered call stops it, so does its deadline or a cancel, and a stopped work never
// reaches Excel again.

namespace corvane::excel {
namespace {

using platform::sim::AXCall;
using testing::ExcelSim;

TEST(ExcelSession, EveryReferenceGetsTheWorksTimeoutOnceBeforeItsFirstCall) {
  ExcelSim s;
  s.x().resetCounts();
  ExcelSession session(s.x().accessibility(), s.sim.time, WaitLimits{0.5, 0});
  auto app = session.application(4242);
  auto windows = platform::valueAs<std::vector<platform::Element>>(session.attribute(app, "AXWindows"));
  ASSERT_TRUE(windows && !windows->empty());
  (void)session.copyAttribute(windows->front(), "AXRole");
  (void)session.copyAttribute(windows->front(), "AXTitle");
  EXPECT_EQ(s.x().calls(AXCall::messagingTimeout), 2u) << "the application and the window, once each";

  // A hung element waits this work's timeout, not the system's 6 s.
  auto wrap = s.get("AXCheckBox", "Wrap Text");
  s.x().setHung(wrap);
  double start = s.now();
  EXPECT_EQ(session.copyAttribute(wrap, "AXRole").error(), platform::ax::kCannotComplete);
  EXPECT_NEAR(s.now() - start, 0.5003, 1e-9);
  EXPECT_EQ(session.stopped(), ExcelSession::Stop::noAnswer);
  EXPECT_NEAR(session.silentSeconds(), 0.5003, 1e-9);
}

TEST(ExcelSession, AStoppedWorkNeverReachesExcelAgain) {
  ExcelSim s;
  ExcelSession session(s.x().accessibility(), s.sim.time, WaitLimits{0.5, 0});
  auto app = session.application(4242);
  s.x().setHung(s.x().applicationElement());
  EXPECT_FALSE(session.copyAttribute(app, "AXWindows").has_value());
  ASSERT_EQ(session.stopped(), ExcelSession::Stop::noAnswer);
  s.x().setHung(s.x().applicationElement(), false);
  auto calls = s.x().remoteCalls();
  double start = s.now();
  const std::string_view names[] = {"AXRole"};
  EXPECT_FALSE(session.copyAttribute(app, "AXRole").has_value());
  EXPECT_FALSE(session.copyMultipleAttributes(app, names).has_value());
  EXPECT_FALSE(session.actionNames(app).has_value());
  EXPECT_EQ(session.performAction(app, "AXRaise"), platform::ax::kCannotComplete);
  EXPECT_EQ(session.setAttribute(app, "AXFocused", true), platform::ax::kCannotComplete);
  EXPECT_FALSE(session.elementAtPosition(app, {10, 10}).has_value());
  EXPECT_EQ(s.x().remoteCalls(), calls);
  EXPECT_EQ(s.now(), start);
}

TEST(ExcelSession, APromptRefusalOrASlowActionDoesNotStopTheWork) {
  ExcelSim s;
  ExcelSession session(s.x().accessibility(), s.sim.time, WaitLimits{2.0, 0});
  auto wrap = s.get("AXCheckBox", "Wrap Text");
  s.x().injectError(wrap, platform::ax::kCannotComplete, "AXTitle");
  EXPECT_EQ(session.copyAttribute(wrap, "AXTitle").error(), platform::ax::kCannotComplete);
  EXPECT_EQ(session.stopped(), ExcelSession::Stop::none) << "Excel answered, if only with a refusal";

  // A dropdown opener answers only when its timeout runs out: noted, not taken for silence.
  auto format = s.get("AXMenuButton", "Format");
  ASSERT_EQ(session.setMessagingTimeout(format, 0.4), platform::ax::kSuccess);
  EXPECT_EQ(session.performAction(format, "AXPress"), platform::ax::kCannotComplete);
  EXPECT_TRUE(session.lastActionUnanswered());
  EXPECT_EQ(session.stopped(), ExcelSession::Stop::none);
  EXPECT_EQ(session.performAction(wrap, "AXPress"), platform::ax::kSuccess);
  EXPECT_FALSE(session.lastActionUnanswered());

  // Giving a reference "0" back restores the work's own timeout, never the system's 6 s.
  ASSERT_EQ(session.setMessagingTimeout(format, 0), platform::ax::kSuccess);
  s.x().setHung(format);
  double start = s.now();
  (void)session.copyAttribute(format, "AXRole");
  EXPECT_NEAR(s.now() - start, 2.0003, 1e-9);
}

TEST(ExcelSession, TheDeadlineAndACancelStopTheWorkBeforeTheNextCall) {
  ExcelSim s;
  ExcelSession session(s.x().accessibility(), s.sim.time, WaitLimits{2.0, 1.0});
  auto app = session.application(4242);
  EXPECT_TRUE(session.copyAttribute(app, "AXRole").has_value());
  s.sim.time.advanceBy(1.0);
  EXPECT_FALSE(session.copyAttribute(app, "AXRole").has_value());
  EXPECT_EQ(session.stopped(), ExcelSession::Stop::deadline);
  EXPECT_DOUBLE_EQ(session.silentSeconds(), 1.0);

  bool stale = false;
  ExcelSession scan(s.x().accessibility(), s.sim.time, WaitLimits{0.75, 0});
  scan.setCancel([&stale] { return stale; });
  auto scanApp = scan.application(4242);
  EXPECT_TRUE(scan.copyAttribute(scanApp, "AXRole").has_value());
  stale = true;
  scan.holdCancel(true);
  EXPECT_TRUE(scan.copyAttribute(scanApp, "AXRole").has_value()) << "held: finishing what must be finished";
  scan.holdCancel(false);
  EXPECT_FALSE(scan.copyAttribute(scanApp, "AXRole").has_value());
  EXPECT_EQ(scan.stopped(), ExcelSession::Stop::cancelled);
}

TEST(ExcelSession, TheExcelAppTellsWhyItsWorkStopped) {
  ExcelSim s;
  ExcelApp excel(s.services, 4242, WaitLimits{2.0, 0});
  EXPECT_FALSE(excel.stopped());
  EXPECT_EQ(excel.stopError(), std::nullopt);
  s.x().setHung(s.x().applicationElement());
  EXPECT_TRUE(excel.elements(excel.application(), "AXWindows").empty());
  ASSERT_TRUE(excel.stopped());
  auto error = excel.stopError();
  ASSERT_TRUE(error.has_value());
  EXPECT_EQ(error->kind, ActionError::Kind::notResponding);
  EXPECT_EQ(error->description, "Excel gave no answer for 2.0 seconds");
  double start = s.now();
  EXPECT_FALSE(excel.pause(1.0)) << "no more waiting once stopped";
  EXPECT_EQ(s.now(), start);
  EXPECT_EQ(ActionError::notResponding(8.25, true).description, "Excel answered too slowly: stopped after 8.2 seconds");
}

}  // namespace
}  // namespace corvane::excel
