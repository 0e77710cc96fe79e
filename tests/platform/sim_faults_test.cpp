#include <gtest/gtest.h>

#include "sim_test_support.hpp"

// Faults injected into the simulated Excel, as a Mac produces them.

namespace corvane::platform::sim {
namespace {

using testing::Sim;

TEST(SimFaults, ErrorCodesPerElementAndPerAttribute) {
  Sim sim;
  auto cut = sim.get("AXButton", "Cut");
  auto copy = sim.get("AXButton", "Copy");
  sim.excel->injectError(cut, ax::kFailure);
  EXPECT_EQ(sim.ax.copyAttribute(cut, "AXRole").error(), ax::kFailure);
  const std::string_view names[] = {"AXRole"};
  EXPECT_EQ(sim.ax.copyMultipleAttributes(cut, names).error(), ax::kFailure) << "the whole call fails";
  EXPECT_EQ(sim.ax.actionNames(cut).error(), ax::kFailure);
  EXPECT_EQ(sim.press(cut), ax::kFailure);
  EXPECT_TRUE(sim.excel->commandsRun().empty());
  EXPECT_TRUE(sim.ax.copyAttribute(copy, "AXRole").has_value()) << "only that element";

  // A selector reaches every element it picks, including ones made later.
  sim.excel->injectError(ElementSelector{"AXButton", "PivotTable"}, ax::kCannotComplete, "AXPress");
  ASSERT_EQ(sim.press(sim.get("AXRadioButton", "Insert")), ax::kSuccess);
  sim.time.runUntilIdle();
  auto pivot = sim.get("AXButton", "PivotTable");
  EXPECT_EQ(sim.press(pivot), ax::kCannotComplete);
  EXPECT_EQ(sim.text(pivot, "AXTitle"), "PivotTable") << "reads are not affected";
  EXPECT_TRUE(sim.excel->commandsRun().empty()) << "an injected error does nothing";

  sim.excel->clearFaults();
  EXPECT_EQ(sim.press(pivot), ax::kSuccess);
}

TEST(SimFaults, CannotCompleteOnAPressStillPresses) {
  Sim sim;
  auto wrap = sim.get("AXCheckBox", "Wrap Text");
  sim.excel->injectPressResult(wrap);
  auto result = sim.press(wrap);
  EXPECT_EQ(result, ax::kCannotComplete);
  EXPECT_TRUE(ax::actionDone(result));
  EXPECT_EQ(sim.excel->commandsRun(), (std::vector<std::string>{"Wrap Text"}));
  EXPECT_EQ(sim.read<std::int64_t>(wrap, "AXValue"), 1);
  // Other actions are untouched.
  EXPECT_EQ(sim.ax.performAction(sim.get("AXMenuButton", "Format"), "AXShowMenu"), ax::kSuccess);
}

TEST(SimFaults, TimeOutsCostTheMessagingTimeoutInVirtualTime) {
  Sim sim;
  auto wrap = sim.get("AXCheckBox", "Wrap Text");
  auto cut = sim.get("AXButton", "Cut");
  sim.excel->injectTimeout(wrap);
  sim.excel->injectTimeout(cut, "AXPress");

  auto start = sim.time.nanos();
  EXPECT_EQ(sim.ax.copyAttribute(wrap, "AXRole").error(), ax::kCannotComplete);
  EXPECT_EQ(sim.time.nanos() - start, 6'000'000'000) << "the system default when none is set";

  EXPECT_EQ(sim.ax.setMessagingTimeout(wrap, 0.4), ax::kSuccess);
  start = sim.time.nanos();
  const std::string_view names[] = {"AXRole", "AXTitle"};
  EXPECT_EQ(sim.ax.copyMultipleAttributes(wrap, names).error(), ax::kCannotComplete);
  EXPECT_EQ(sim.time.nanos() - start, 400'000'000);
  // The timeout is the reference's own, as on a Mac: an equal reference from another call still
  // waits the system's 6 s.
  auto again = sim.get("AXCheckBox", "Wrap Text");
  ASSERT_EQ(again, wrap);
  start = sim.time.nanos();
  (void)sim.ax.copyAttribute(again, "AXTitle");
  EXPECT_EQ(sim.time.nanos() - start, 6'000'000'000);
  auto copy = wrap;
  start = sim.time.nanos();
  (void)sim.ax.copyAttribute(copy, "AXTitle");
  EXPECT_EQ(sim.time.nanos() - start, 400'000'000) << "a copy of the reference is the same reference";
  EXPECT_EQ(sim.ax.setMessagingTimeout(wrap, 0), ax::kSuccess);
  start = sim.time.nanos();
  (void)sim.ax.copyAttribute(wrap, "AXTitle");
  EXPECT_EQ(sim.time.nanos() - start, 6'000'000'000) << "0 restores the default";

  // A named time-out: reads are quick, the press times out and has no effect.
  start = sim.time.nanos();
  EXPECT_TRUE(sim.ax.copyAttribute(cut, "AXTitle").has_value());
  EXPECT_EQ(sim.time.nanos(), start);
  sim.ax.setMessagingTimeout(cut, 0.4);
  EXPECT_EQ(sim.press(cut), ax::kCannotComplete);
  EXPECT_EQ(sim.time.nanos() - start, 400'000'000);
  EXPECT_TRUE(sim.excel->commandsRun().empty());
}

TEST(SimFaults, ATimeOutLetsExcelsOwnTimersRun) {
  Sim sim;
  auto insert = sim.get("AXRadioButton", "Insert");
  ASSERT_EQ(sim.press(insert), ax::kSuccess);
  EXPECT_EQ(sim.excel->shownCommandsTab(), "Home");
  auto wrap = sim.get("AXCheckBox", "Wrap Text");
  sim.excel->injectTimeout(insert, "AXValue");
  sim.ax.setMessagingTimeout(insert, 0.4);
  EXPECT_EQ(sim.ax.copyAttribute(insert, "AXValue").error(), ax::kCannotComplete);
  EXPECT_EQ(sim.excel->shownCommandsTab(), "Insert") << "the tab switched while the call waited";
  EXPECT_EQ(sim.ax.copyAttribute(wrap, "AXRole").error(), ax::kInvalidUIElement);
}

TEST(SimFaults, ElementsVanishBetweenTwoReads) {
  Sim sim;
  auto format = sim.get("AXMenuButton", "Format");
  auto cells = sim.get("AXGroup", "Cells");
  sim.excel->vanishAfterReads(format, 1);
  EXPECT_EQ(sim.text(format, "AXTitle"), "Format");
  EXPECT_EQ(sim.ax.copyAttribute(format, "AXTitle").error(), ax::kInvalidUIElement);
  EXPECT_EQ(sim.press(format), ax::kInvalidUIElement);
  EXPECT_EQ(sim.children(cells).size(), 2u) << "it left its parent's children";

  auto cut = sim.get("AXButton", "Cut");
  sim.excel->removeElement(sim.get("AXGroup", "Clipboard"));
  EXPECT_EQ(sim.ax.copyAttribute(cut, "AXRole").error(), ax::kInvalidUIElement) << "everything inside goes too";
  EXPECT_FALSE(sim.excel->isValid(cut));
}

TEST(SimFaults, ExcelQuittingInTheMiddleInvalidatesEverything) {
  Sim sim;
  auto app = sim.app();
  auto wrap = sim.get("AXCheckBox", "Wrap Text");
  ASSERT_EQ(sim.press(sim.get("AXMenuButton", "Format")), ax::kSuccess);
  sim.excel->quitAfterCalls(2);
  EXPECT_TRUE(sim.ax.copyAttribute(wrap, "AXRole").has_value());
  EXPECT_TRUE(sim.ax.copyAttribute(app, "AXRole").has_value());
  EXPECT_EQ(sim.ax.copyAttribute(app, "AXRole").error(), ax::kInvalidUIElement);
  EXPECT_EQ(sim.ax.copyAttribute(wrap, "AXRole").error(), ax::kInvalidUIElement);
  EXPECT_EQ(sim.press(wrap), ax::kInvalidUIElement);
  EXPECT_FALSE(sim.excel->pid().has_value());
  EXPECT_FALSE(sim.excel->isRunning());
  EXPECT_TRUE(sim.excel->windowList().onScreenWindows().empty());
  EXPECT_EQ(sim.excel->events().back().kind, ExcelEvent::Kind::quit);
  EXPECT_EQ(sim.ax.copyAttribute(sim.ax.application(4242), "AXRole").error(), ax::kInvalidUIElement);

  // Started again, Excel has new elements; the old ones stay invalid.
  ASSERT_TRUE(sim.excel->launch());
  EXPECT_EQ(sim.excel->pid(), 4242);
  EXPECT_FALSE(sim.excel->isValid(wrap));
  auto fresh = sim.get("AXCheckBox", "Wrap Text");
  EXPECT_NE(fresh, wrap);
  EXPECT_EQ(sim.excel->openPopupCount(), 0u);
}

TEST(SimFaults, AQuitCancelsExcelsPendingReactions) {
  Sim sim;
  ASSERT_EQ(sim.press(sim.get("AXMenuButton", "Format")), ax::kSuccess);
  ASSERT_EQ(sim.press(sim.get("AXMenuItem", "Format Cells…")), ax::kSuccess);
  ASSERT_EQ(sim.press(sim.get("AXRadioButton", "Data")), ax::kSuccess);
  sim.excel->quit();
  EXPECT_TRUE(sim.time.runUntilIdle());
  EXPECT_TRUE(sim.excel->openDialogs().empty());
  EXPECT_FALSE(sim.excel->find({"AXRadioButton", "Data"}).has_value());
}

}  // namespace
}  // namespace corvane::platform::sim
