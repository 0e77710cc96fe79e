// The ribbon model: reused while Excel shows the same ribbon, dropped on a tab switch, a resize, a
// new window and a reload, and never the reason anything is pressed or clicked after Excel changed.

#include <gtest/gtest.h>

#include "excel/ax_names.hpp"
#include "excel/element_lookup.hpp"
#include "excel/ribbon_model.hpp"
#include "excel/shortcut_check.hpp"
#include "excel_sim.hpp"

namespace corvane::excel {
namespace {

using testing::ExcelSim;
using testing::ribbon;
using testing::shortcut;

std::size_t mouseEvents(ExcelSim& s) {
  std::size_t n = 0;
  for (const auto& event : s.x().inputPoster().posted()) {
    if (event.type == platform::EventType::leftMouseDown || event.type == platform::EventType::leftMouseUp) ++n;
  }
  return n;
}

/// The model after a scan of the open tab (Home).
void learnHome(ExcelSim& s, RibbonModel& model) {
  auto window = findWorkbookWindow(s.excel);
  ASSERT_TRUE(window.has_value());
  // As the key tips learn it: the whole tab group scanned.
  auto facts = windowFacts(s.excel, *window);
  ASSERT_TRUE(facts.frame && facts.tabGroup);
  auto scan = scanRibbon(s.excel, *window, [](const RibbonScan&) { return true; });
  RibbonModel::Seen seen{*window, *facts.frame, *facts.tabGroup, s.excel.frame(*facts.tabGroup),
                         s.excel.children(*facts.tabGroup)};
  (void)model.learn(std::move(seen), std::move(scan), true);
  ASSERT_TRUE(model.holdsSnapshot());
}

TEST(RibbonModel, HoldsWhileNothingChangesForAFewReads) {
  ExcelSim s;
  RibbonModel model;
  learnHome(s, model);
  s.x().resetCounts();
  auto snapshot = model.current(s.excel);
  ASSERT_TRUE(snapshot.has_value());
  EXPECT_LE(s.x().remoteCalls(), 4u);
  EXPECT_EQ(snapshot->openTabKey, "home");
  EXPECT_TRUE(snapshot->commands);
  EXPECT_TRUE(ribbonMatch({"Bold"}, MatchMode::press, false, {}, snapshot->scan).has_value());
  // Asked again, it still holds: a look changes nothing.
  EXPECT_TRUE(model.current(s.excel).has_value());
}

TEST(RibbonModel, DroppedWhenTheUserSwitchesTabs) {
  ExcelSim s;
  RibbonModel model;
  learnHome(s, model);
  ASSERT_EQ(s.sim.ax.performAction(s.get("AXRadioButton", "Insert"), ax::kPress), platform::ax::kSuccess);
  (void)s.sim.time.runUntilIdle();
  EXPECT_FALSE(model.current(s.excel).has_value());
  EXPECT_FALSE(model.holdsSnapshot());
}

TEST(RibbonModel, DroppedWhenTheWindowIsResizedOrMoved) {
  for (bool resize : {true, false}) {
    ExcelSim s;
    RibbonModel model;
    learnHome(s, model);
    auto window = *findWorkbookWindow(s.excel);
    auto frame = *s.excel.frame(window);
    auto changed = resize ? s.sim.ax.setAttribute(window, ax::kSize, platform::Size{frame.width - 300, frame.height})
                          : s.sim.ax.setAttribute(window, ax::kPosition, platform::Point{frame.x + 40, frame.y});
    ASSERT_EQ(changed, platform::ax::kSuccess);
    (void)s.sim.time.runUntilIdle();
    EXPECT_FALSE(model.current(s.excel).has_value()) << (resize ? "resized" : "moved");
  }
}

TEST(RibbonModel, DroppedForANewWindow) {
  ExcelSim s;
  RibbonModel model;
  learnHome(s, model);
  // Excel quit and came back: its window, and everything in it, is a new one.
  s.x().quit();
  ASSERT_TRUE(s.x().launch());
  ExcelApp again(s.services, s.x().pid().value_or(-1));
  EXPECT_FALSE(model.current(again).has_value());
}

TEST(RibbonModel, DroppedOnRequestAndWhenTheRibbonIsNotSettled) {
  ExcelSim s;
  RibbonModel model;
  learnHome(s, model);
  // A reload of the shortcuts drops it.
  model.drop();
  EXPECT_FALSE(model.holdsSnapshot());
  EXPECT_FALSE(model.current(s.excel).has_value());
  // A scan that saw no open tab teaches nothing.
  auto window = *findWorkbookWindow(s.excel);
  auto tabGroup = *ribbonTabGroup(s.excel, window);
  RibbonModel::Seen seen{window, *s.excel.frame(window), tabGroup, s.excel.frame(tabGroup), s.excel.children(tabGroup)};
  EXPECT_FALSE(model.learn(seen, RibbonScan{}, true).has_value());
  EXPECT_FALSE(model.holdsSnapshot());
}

TEST(RibbonModel, ARunUsesItWhileItHolds) {
  ExcelSim s;
  RibbonModel model;
  learnHome(s, model);
  s.x().resetCounts();
  ASSERT_TRUE(ribbonStep(s.excel, ribbon({"Bold"}, "Home"), nullptr, &model).has_value());
  EXPECT_EQ(s.x().commandsRun(), std::vector<std::string>{"Bold"});
  // The look, the control confirmed, a few reads around the press: no walk of the ribbon.
  EXPECT_LE(s.x().remoteCalls(), 20u);
}

TEST(RibbonModel, NeverUsedForAPressAfterTheTabChanged) {
  ExcelSim s;
  RibbonModel model;
  learnHome(s, model);
  ASSERT_EQ(s.sim.ax.performAction(s.get("AXRadioButton", "Insert"), ax::kPress), platform::ax::kSuccess);
  (void)s.sim.time.runUntilIdle();
  // Home's controls are gone from the tree: the run opens Home again and finds Bold there.
  ASSERT_TRUE(ribbonStep(s.excel, ribbon({"Bold"}, "Home"), nullptr, &model).has_value());
  EXPECT_EQ(s.x().selectedTab(), "Home");
  EXPECT_EQ(s.x().commandsRun(), std::vector<std::string>{"Bold"});
  EXPECT_EQ(mouseEvents(s), 0u);
}

TEST(RibbonModel, AStaleControlIsNeitherPressedNorClicked) {
  ExcelSim s;
  RibbonModel model;
  learnHome(s, model);
  // Excel took the control away inside its group: the groups, the tab and the window stay as they
  // were, so only the control's own confirmation can tell.
  s.x().removeElement(s.get("AXCheckBox", "Bold"));
  auto done = ribbonStep(s.excel, ribbon({"Bold"}, "Home"), nullptr, &model);
  ASSERT_FALSE(done.has_value());
  EXPECT_EQ(done.error().kind, ActionError::Kind::notFound);
  EXPECT_TRUE(s.x().commandsRun().empty());
  EXPECT_EQ(mouseEvents(s), 0u);
  // The stale snapshot is gone; what the run's own walk saw replaced it, without Bold.
  auto kept = model.current(s.excel);
  EXPECT_TRUE(!kept || !ribbonMatch({"Bold"}, MatchMode::press, false, {}, kept->scan).has_value());
}

TEST(RibbonModel, ARunTeachesItAndTheNextRunWalksNothing) {
  ExcelSim s;
  RibbonModel model;
  // From rest: the run walks Home (already open) and keeps what it saw.
  ASSERT_TRUE(ribbonStep(s.excel, ribbon({"Bold"}, "Home"), nullptr, &model).has_value());
  ASSERT_TRUE(model.holdsSnapshot());
  s.x().resetCounts();
  ASSERT_TRUE(ribbonStep(s.excel, ribbon({"Italic"}, "Home"), nullptr, &model).has_value());
  EXPECT_EQ(s.x().commandsRun(), (std::vector<std::string>{"Bold", "Italic"}));
  EXPECT_LE(s.x().remoteCalls(), 20u);
}

TEST(RibbonModel, ARunThatSwitchedTabsTeachesNothing) {
  ExcelSim s;
  RibbonModel model;
  // Insert's commands may still be filling in when its control is found: nothing is kept.
  ASSERT_TRUE(ribbonStep(s.excel, ribbon({"Table"}, "Insert"), nullptr, &model).has_value());
  EXPECT_EQ(s.x().selectedTab(), "Insert");
  EXPECT_FALSE(model.holdsSnapshot());
}

TEST(RibbonModel, ATaughtModelIsDroppedWhenTheUserSwitchesTabs) {
  ExcelSim s;
  RibbonModel model;
  ASSERT_TRUE(ribbonStep(s.excel, ribbon({"Bold"}, "Home"), nullptr, &model).has_value());
  ASSERT_TRUE(model.holdsSnapshot());
  ASSERT_EQ(s.sim.ax.performAction(s.get("AXRadioButton", "Insert"), ax::kPress), platform::ax::kSuccess);
  (void)s.sim.time.runUntilIdle();
  EXPECT_FALSE(model.current(s.excel).has_value());
  // Back on Home by the run's own switch: Bold is pressed from a fresh walk.
  ASSERT_TRUE(ribbonStep(s.excel, ribbon({"Bold"}, "Home"), nullptr, &model).has_value());
  EXPECT_EQ(s.x().commandsRun(), (std::vector<std::string>{"Bold", "Bold"}));
  EXPECT_EQ(mouseEvents(s), 0u);
}

TEST(RibbonModel, AControlBesideAChangedOneStillRuns) {
  ExcelSim s;
  RibbonModel model;
  learnHome(s, model);
  // Bold gone from the Font group: Italic may have moved into its place, and then the model's frame
  // is stale and the control is looked for afresh; either way it is Italic that runs, by its press.
  s.x().removeElement(s.get("AXCheckBox", "Bold"));
  ASSERT_TRUE(ribbonStep(s.excel, ribbon({"Italic"}, "Home"), nullptr, &model).has_value());
  EXPECT_EQ(s.x().commandsRun(), std::vector<std::string>{"Italic"});
  EXPECT_EQ(mouseEvents(s), 0u);
}

TEST(RibbonModel, TheCheckTakesTheOpenTabFromItAndDropsItWhenItSwitches) {
  const std::vector<model::Shortcut> shortcuts{shortcut({"H", "1"}, "Bold", {ribbon({"Bold"}, "Home")}),
                                               shortcut({"N", "T"}, "Table", {ribbon({"Table"}, "Insert")})};
  std::uint64_t walked = 0;
  {
    ExcelSim s;
    s.x().resetCounts();
    auto report = checkShortcuts(s.excel, shortcuts, "today");
    EXPECT_EQ(report.found, 2);
    walked = s.x().remoteCalls();
  }
  ExcelSim s;
  RibbonModel model;
  learnHome(s, model);
  s.x().resetCounts();
  auto report = checkShortcuts(s.excel, shortcuts, "today", nullptr, &model);
  EXPECT_EQ(report.found, 2);
  // Home's commands were not walked again.
  EXPECT_LT(s.x().remoteCalls() + 30, walked);
  // The check opened Insert and went back to Home: what the model knew is gone.
  EXPECT_FALSE(model.holdsSnapshot());
}

}  // namespace
}  // namespace corvane::excel
