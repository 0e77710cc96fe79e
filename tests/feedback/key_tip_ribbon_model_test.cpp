// Key tips on a ribbon they have seen before: a second tap shows the same badges for a few reads,
// and any change (a tab switch, a resize, a reload of the shortcuts) makes them look again.

#include <gtest/gtest.h>

#include "excel/action_runner.hpp"
#include "key_tip_test_fixture.hpp"

namespace corvane::feedback {
namespace {

using testing::KeyTipWorld;

/// Reads reaching Excel for one scan of `path`.
std::uint64_t callsFor(KeyTipWorld& w, std::vector<std::string> path) {
  w.excel->resetCounts();
  w.scanLevel(std::move(path));
  return w.excel->remoteCalls();
}

TEST(KeyTipRibbonModel, ASecondTapOnTheSameRibbonReadsAlmostNothing) {
  KeyTipWorld w;
  auto first = callsFor(w, {});
  auto badges = w.texts();
  auto frame = w.tip("H")->frame;
  w.keyTips->hide();
  (void)w.time.runUntilIdle();
  auto again = callsFor(w, {});
  EXPECT_EQ(w.texts(), badges);
  EXPECT_EQ(w.tip("H")->frame, frame);
  EXPECT_LE(again, 10u);
  EXPECT_LT(again, first);
  // The badges' elements are there for a run, as after a full scan.
  EXPECT_TRUE(w.keyTips->elementFor("N").has_value());
  EXPECT_EQ(w.keyTips->levelPath(), std::vector<std::string>{});
}

TEST(KeyTipRibbonModel, ALevelInsideATabIsKeptToo) {
  KeyTipWorld w;
  w.scanLevel({"H"});
  auto badges = w.texts();
  ASSERT_FALSE(badges.empty());
  auto again = callsFor(w, {"H"});
  EXPECT_EQ(w.texts(), badges);
  EXPECT_LE(again, 10u);
}

TEST(KeyTipRibbonModel, ATabSwitchMakesTheNextTapLookAgain) {
  KeyTipWorld w;
  w.scanLevel({"H"});
  ASSERT_NE(w.tip("1"), nullptr);  // Bold, on Home
  // The user clicks Insert: Home's controls leave the tree.
  ASSERT_EQ(w.excel->accessibility().performAction(*w.excel->find({"AXRadioButton", "Insert"}), "AXPress"),
            platform::ax::kSuccess);
  (void)w.time.runUntilIdle();
  w.scanLevel({"N"});
  EXPECT_EQ(w.excel->selectedTab(), "Insert");
  ASSERT_NE(w.tip("V"), nullptr);  // PivotTable, on Insert
  EXPECT_EQ(w.tip("V")->frame, w.frameOf("AXButton", "PivotTable"));
  // Back on Home by the key tips themselves: Bold's badge stands on Bold as it is now.
  w.scanLevel({"H"});
  EXPECT_EQ(w.excel->selectedTab(), "Home");
  ASSERT_NE(w.tip("1"), nullptr);
  EXPECT_EQ(w.tip("1")->frame, w.frameOf("AXCheckBox", "Bold"));
  EXPECT_EQ(*w.keyTips->elementFor("H 1"), *w.excel->find({"AXCheckBox", "Bold"}));
}

TEST(KeyTipRibbonModel, AResizeMovesTheBadgesWithTheControls) {
  KeyTipWorld w;
  w.scanLevel({});
  auto window = *w.excel->find({"AXWindow", "Book1"});
  ASSERT_EQ(w.excel->accessibility().setAttribute(window, "AXPosition", platform::Point{100, 60}),
            platform::ax::kSuccess);
  (void)w.time.runUntilIdle();
  w.scanLevel({});
  ASSERT_NE(w.tip("H"), nullptr);
  EXPECT_EQ(w.tip("H")->frame, w.frameOf("AXRadioButton", "Home"));
}

TEST(KeyTipRibbonModel, AReloadOfTheShortcutsForgetsTheRibbon) {
  KeyTipWorld w;
  w.scanLevel({});
  EXPECT_TRUE(w.keyTips->ribbonModel()->holdsSnapshot());
  w.keyTips->setLibrary(w.library);
  EXPECT_FALSE(w.keyTips->ribbonModel()->holdsSnapshot());
  // And the next tap scans afresh, with the same result.
  auto calls = callsFor(w, {});
  EXPECT_GT(calls, 10u);
  EXPECT_NE(w.tip("H"), nullptr);
}

TEST(KeyTipRibbonModel, AfterARunThatReadOnlyItsOwnTabTheRootStillBadgesEveryTab) {
  KeyTipWorld fresh;
  fresh.scanLevel({});
  auto all = fresh.texts();

  KeyTipWorld w;
  excel::ActionRunner runner(w.time, w.services, nullptr);
  runner.setKeyTips(w.keyTips);
  model::Shortcut bold{{"H", "1"}, "Bold", {model::RibbonStep{{"Bold"}, "Home", std::nullopt, model::RibbonAction::press}}, std::nullopt, std::nullopt};
  ASSERT_FALSE(runner.runNow(bold, w.pid()).has_value());
  ASSERT_TRUE(runner.ribbonModel()->holdsSnapshot());
  w.scanLevel({});
  EXPECT_EQ(w.texts(), all);
  EXPECT_EQ(w.tip("N")->frame, fresh.tip("N")->frame);
}

TEST(KeyTipRibbonModel, TheRunnerSharesItsModel) {
  KeyTipWorld w;
  excel::ActionRunner runner(w.time, w.services, nullptr);
  runner.setKeyTips(w.keyTips);
  EXPECT_EQ(w.keyTips->ribbonModel(), runner.ribbonModel());
  w.scanLevel({"H"});
  EXPECT_TRUE(runner.ribbonModel()->holdsSnapshot());
}

}  // namespace
}  // namespace corvane::feedback
