#include "feedback/coach_controller.hpp"

#include <gtest/gtest.h>

#include "key_tip_test_fixture.hpp"
#include "platform/sim/memory_defaults.hpp"
#include "platform/views/coach_hint_view.hpp"

namespace corvane::feedback {
namespace {

using platform::Point;
using platform::Rect;
using platform::sim::AXCall;
using Strings = std::vector<std::string>;

std::string withoutShare(std::string fixture) {
  auto at = fixture.find(R"({"role": "AXButton", "title": "Share", "align": "right"})");
  fixture.erase(at, std::string(R"({"role": "AXButton", "title": "Share", "align": "right"})").size());
  auto comma = fixture.rfind(',', at);
  fixture.erase(comma, 1);
  return fixture;
}

class CoachTest : public ::testing::Test {
 protected:
  explicit CoachTest(const std::string& fixture = testing::kKeyTipFixture) : world(testing::libraryFrom(testing::kKeyTipLibrary), testing::keyTipFixture(fixture)) {
    coach = std::make_shared<CoachController>(
        CoachController::Services{world.services, world.time, defaults, world.panels, world.screens}, world.library);
    anchor = HUDAnchor{world.frameOf("AXWindow", "Book1"), world.frameOf("AXTabGroup", "ribbon").maxY()};
  }

  Point centreOf(const std::string& role, const std::string& label) {
    auto r = world.frameOf(role, label);
    return {r.midX(), r.midY()};
  }
  void click(Point p) {
    coach->handleClick(p, world.pid(), anchor);
    // Long enough for the coach queue and the main queue, well short of the fade-out.
    world.time.advanceBy(0.01);
  }
  platform::sim::SimPanel& panel() { return *world.panels.first(platform::PanelKind::coachHint); }
  std::shared_ptr<const platform::views::CoachHintView> hint() {
    return std::dynamic_pointer_cast<const platform::views::CoachHintView>(panel().content());
  }
  void hideHint() { world.time.advanceBy(5); }

  testing::KeyTipWorld world;
  platform::sim::MemoryDefaults defaults;
  std::shared_ptr<CoachController> coach;
  std::optional<HUDAnchor> anchor;
};

TEST_F(CoachTest, AClickedRibbonControlShowsItsKeysBesideShare) {
  click(centreOf("AXCheckBox", "Bold"));
  ASSERT_TRUE(panel().isVisible());
  ASSERT_TRUE(hint());
  EXPECT_EQ(hint()->name, "Bold");
  EXPECT_EQ(hint()->keys, (Strings{"H", "1"}));
  EXPECT_EQ(hint()->trailer, "next time");
  ASSERT_TRUE(hint()->turnOff);
  auto share = world.frameOf("AXButton", "Share");
  auto f = panel().frame();
  EXPECT_DOUBLE_EQ(f.height, 28);
  EXPECT_DOUBLE_EQ(f.x, share.minX() - 10 - f.width);
  EXPECT_DOUBLE_EQ(f.y, 900 - (share.midY() - 14) - 28);
  EXPECT_DOUBLE_EQ(panel().alpha(), 1);
}

TEST_F(CoachTest, TheFirstKeySequenceOfALabelWins) {
  click(centreOf("AXButton", "Cut"));
  ASSERT_TRUE(hint());
  EXPECT_EQ(hint()->keys, (Strings{"H", "X"}));
}

TEST_F(CoachTest, ANewLibraryIsIndexedAfresh) {
  click(centreOf("AXCheckBox", "Bold"));
  EXPECT_EQ(hint()->keys, (Strings{"H", "1"}));
  hideHint();
  coach->setLibrary(testing::libraryFrom(R"({"tips": {"H": "tab:Home"}, "shortcuts": [
      {"keys": "H 9", "name": "Heavy", "do": {"ribbon": "Bold", "tab": "Home"}}]})"));
  click(centreOf("AXCheckBox", "Bold"));
  ASSERT_TRUE(panel().isVisible());
  EXPECT_EQ(hint()->keys, (Strings{"H", "9"}));
  EXPECT_EQ(hint()->name, "Heavy");
}

TEST_F(CoachTest, FadesOutAfterFourAndAHalfSeconds) {
  click(centreOf("AXCheckBox", "Bold"));
  world.time.advanceBy(4.48);
  EXPECT_TRUE(panel().isVisible());
  world.time.advanceBy(0.02);
  EXPECT_DOUBLE_EQ(panel().alpha(), 0);
  EXPECT_TRUE(panel().isVisible());
  world.time.advanceBy(0.15);
  EXPECT_FALSE(panel().isVisible());
}

TEST_F(CoachTest, TheSameKeysAreHintedOnceIn120Seconds) {
  click(centreOf("AXCheckBox", "Bold"));
  hideHint();
  click(centreOf("AXCheckBox", "Bold"));
  EXPECT_FALSE(panel().isVisible());
  click(centreOf("AXButton", "Copy"));  // other keys are not held back
  EXPECT_TRUE(panel().isVisible());
  hideHint();
  world.time.advanceBy(120);
  click(centreOf("AXCheckBox", "Bold"));
  EXPECT_TRUE(panel().isVisible());
  EXPECT_EQ(panel().orderFrontCount(), 3);
}

TEST_F(CoachTest, ThreeUsesMakeAShortcutLearned) {
  coach->recordUse({"H", "1"});
  coach->recordUse({"H", "1"});
  EXPECT_FALSE(coach->isLearned({"H", "1"}));
  EXPECT_EQ(coach->learnedCount(), 0);
  coach->recordUse({"H", "1"});
  coach->recordUse({"H", "X"});
  EXPECT_TRUE(coach->isLearned({"H", "1"}));
  EXPECT_EQ(coach->learnedCount(), 1);
  EXPECT_EQ(defaults.getIntDictionary("learningHintUses"),
            (std::map<std::string, std::int64_t>{{"H 1", 3}, {"H X", 1}}));
  click(centreOf("AXCheckBox", "Bold"));
  EXPECT_FALSE(panel().isVisible());
}

TEST_F(CoachTest, DamagedUseCountsReadAsNone) {
  defaults.set("learningHintUses", std::string("garbage"));
  EXPECT_EQ(coach->learnedCount(), 0);
  coach->recordUse({"H", "1"});
  EXPECT_EQ(defaults.getIntDictionary("learningHintUses"), (std::map<std::string, std::int64_t>{{"H 1", 1}}));
}

TEST_F(CoachTest, ClicksMoreThan40PointsBelowTheRibbonAreIgnored) {
  double line = *anchor->ribbonBottom;
  world.excel->resetCounts();
  click({600, line + 40.5});
  EXPECT_EQ(world.excel->calls(AXCall::elementAtPosition), 0u);
  click({600, line + 40});
  EXPECT_EQ(world.excel->calls(AXCall::elementAtPosition), 1u);
  // The window moved up 20 points since the anchor was taken: the line moves with it.
  anchor->window.y += 20;
  click({600, line + 30});
  EXPECT_EQ(world.excel->calls(AXCall::elementAtPosition), 1u);
  // Without a ribbon line nothing is filtered.
  anchor->ribbonBottom.reset();
  click({600, line + 300});
  EXPECT_EQ(world.excel->calls(AXCall::elementAtPosition), 2u);
  EXPECT_FALSE(panel().isVisible());
}

TEST_F(CoachTest, AnItemOfAMenuOpenedFromTheRibbonIsHintedAnywhere) {
  click(centreOf("AXMenuButton", "Paste"));
  ASSERT_TRUE(hint());
  EXPECT_EQ(hint()->name, "Paste");
  EXPECT_EQ(hint()->keys, (Strings{"H", "V"}));
  // The user's click opened the menu; its item may lie far below the ribbon.
  ASSERT_EQ(world.open("AXMenuButton", "Paste"), 0);
  ASSERT_TRUE(world.time.runUntilIdle());
  auto item = world.frameOf("AXMenuItem", "Paste Values");
  anchor->ribbonBottom = item.midY() - 100;
  click({item.midX(), item.midY()});
  EXPECT_EQ(hint()->name, "Paste Values");
  EXPECT_EQ(hint()->keys, (Strings{"H", "V", "P"}));
}

TEST_F(CoachTest, MenuItemsAreNotHintedOnceTheMenuClickIsStale) {
  click(centreOf("AXMenuButton", "Paste"));
  ASSERT_EQ(world.open("AXMenuButton", "Paste"), 0);
  ASSERT_TRUE(world.time.runUntilIdle());
  hideHint();
  world.time.advanceBy(20);
  auto item = world.frameOf("AXMenuItem", "Transpose");
  click({item.midX(), item.midY()});
  EXPECT_FALSE(panel().isVisible());
}

TEST_F(CoachTest, TabsAndUnknownControlsGiveNothing) {
  click(centreOf("AXRadioButton", "Insert"));
  click(centreOf("AXMenuButton", "Customize Quick Access Toolbar"));  // outside the tab's commands, no menu
  click(centreOf("AXScrollArea", "Sheet1"));
  EXPECT_FALSE(panel().isVisible());
}

TEST_F(CoachTest, TurningHintsOffFromTheHint) {
  int turnedOff = 0;
  coach->onTurnOff = [&] {
    ++turnedOff;
    coach->setEnabled(false);
  };
  click(centreOf("AXCheckBox", "Bold"));
  panel().send(testing::buttonPress("turnOff"));
  EXPECT_EQ(turnedOff, 1);
  EXPECT_FALSE(panel().isVisible());
  world.excel->resetCounts();
  click(centreOf("AXButton", "Copy"));
  EXPECT_FALSE(panel().isVisible());
  EXPECT_EQ(world.excel->totalCalls(), 0u);
}

TEST_F(CoachTest, PlacementRules) {
  Rect window{0, 25, 1200, 700};
  coach->showHint("A", {"A"}, {Rect{50, 30, 60, 20}, window});
  EXPECT_DOUBLE_EQ(panel().frame().x, 90);  // at least 90 points in
  coach->showHint("B", {"B"}, {std::nullopt, window});
  auto f = panel().frame();
  EXPECT_DOUBLE_EQ(f.x, 1200 - 16 - f.width);
  EXPECT_DOUBLE_EQ(f.y, 900 - 31 - 28);
  hideHint();
  coach->showHint("C", {"C"}, {});
  EXPECT_FALSE(panel().isVisible());
  coach->showHint("D", {"D"}, {Rect{2000, 30, 60, 20}, std::nullopt});  // no window: no inset
  EXPECT_DOUBLE_EQ(panel().frame().x, 2000 - 10 - panel().frame().width);
}

TEST_F(CoachTest, AHintDuringTheFadeOutStays) {
  coach->showHint("A", {"A"}, {std::nullopt, Rect{0, 25, 1200, 700}});
  world.time.advanceBy(4.55);  // fading out
  coach->showHint("B", {"B"}, {std::nullopt, Rect{0, 25, 1200, 700}});
  world.time.advanceBy(1);
  EXPECT_TRUE(panel().isVisible());
  EXPECT_DOUBLE_EQ(panel().alpha(), 1);
}

TEST_F(CoachTest, AControllerGoneBeforeItsClickIsHandledDoesNothing) {
  coach->handleClick(centreOf("AXCheckBox", "Bold"), world.pid(), anchor);
  coach.reset();
  EXPECT_TRUE(world.time.runUntilIdle());
}

class CoachWithoutShareTest : public CoachTest {
 protected:
  CoachWithoutShareTest() : CoachTest(withoutShare(testing::kKeyTipFixture)) {}
};

TEST_F(CoachWithoutShareTest, TheHintSitsInTheWindowsTopRightCorner) {
  click(centreOf("AXCheckBox", "Bold"));
  ASSERT_TRUE(panel().isVisible());
  auto f = panel().frame();
  EXPECT_DOUBLE_EQ(f.x, 1200 - 16 - f.width);
  EXPECT_DOUBLE_EQ(f.y, 900 - (25 + 6) - 28);
}

}  // namespace
}  // namespace corvane::feedback
