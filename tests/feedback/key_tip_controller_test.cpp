#include "feedback/key_tip_controller.hpp"

#include <gtest/gtest.h>

#include <atomic>

#include "key_tip_test_fixture.hpp"
#include "platform/posix/threaded_scheduler.hpp"

namespace corvane::feedback {
namespace {

using Placement = KeyTip::Placement;
using Strings = std::vector<std::string>;

class KeyTipTest : public ::testing::Test {
 protected:
  testing::KeyTipWorld world;
};

TEST_F(KeyTipTest, RootLevelBadgesOnlyTabsQuickAccessAndTitleBar) {
  world.scanLevel({});
  EXPECT_EQ(world.texts(), (Strings{"1", "H", "N", "S"}));  // qat:9 has no button
  const auto* save = world.tip("1");
  ASSERT_TRUE(save);
  EXPECT_EQ(save->frame, world.frameOf("AXButton", "Save"));
  EXPECT_EQ(save->placement, Placement::bottom);
  EXPECT_EQ(save->target, "Save");  // the button's description: its name as Excel gives it
  EXPECT_EQ(world.tip("H")->placement, Placement::tab);
  EXPECT_EQ(world.tip("H")->frame, world.frameOf("AXRadioButton", "Home"));
  EXPECT_EQ(world.tip("S")->frame, world.frameOf("AXButton", "Share"));
  EXPECT_EQ(world.tip("S")->target, "Share");
  EXPECT_EQ(world.shown, std::vector<int>{4});
  EXPECT_EQ(world.keyTips->levelPath(), Strings{});
  EXPECT_TRUE(world.keyTips->elementFor("H").has_value());
}

TEST_F(KeyTipTest, ATabLevelBadgesControlsAndCornersWithEveryPlacementClass) {
  world.scanLevel({"H"});
  EXPECT_EQ(world.texts(), (Strings{"1", "2", "C", "E", "FN", "FP", "V", "X", "Z1", "ZY2"}));
  EXPECT_EQ(world.tip("X")->placement, Placement::top);         // row 1
  EXPECT_EQ(world.tip("C")->placement, Placement::middle);      // row 2
  EXPECT_EQ(world.tip("FP")->placement, Placement::bottom);     // row 3
  EXPECT_EQ(world.tip("V")->placement, Placement::bottom);      // large
  EXPECT_EQ(world.tip("1")->placement, Placement::middle);
  EXPECT_FALSE(world.tip("2")->enabled);
  EXPECT_TRUE(world.tip("1")->enabled);
  const auto* corner = world.tip("FN");
  EXPECT_EQ(corner->placement, Placement::corner);
  EXPECT_EQ(corner->frame, world.frameOf("AXGroup", "Font"));
  EXPECT_EQ(corner->keys, (Strings{"H", "F", "N"}));
  EXPECT_EQ(world.tip("ZY2")->keys, (Strings{"H", "Z", "Y", "2"}));
  EXPECT_EQ(world.keyTips->levelPath(), Strings{"H"});
  EXPECT_TRUE(world.keyTips->elementFor("H Z Y 2").has_value());
  EXPECT_FALSE(world.keyTips->elementFor("H G").has_value());
}

TEST_F(KeyTipTest, ControlsMoreThanFourPointsOutsideTheWindowGetNoBadge) {
  world.scanLevel({"H"});
  EXPECT_TRUE(world.tip("E"));   // 3 points outside
  EXPECT_FALSE(world.tip("G"));  // 10 points outside
}

TEST_F(KeyTipTest, TheLevelsTabIsSelectedFromTheTabTip) {
  world.scanLevel({"N"});
  EXPECT_EQ(world.excel->selectedTab(), "Insert");
  EXPECT_EQ(world.texts(), Strings{"V"});
  EXPECT_EQ(world.tip("V")->frame, world.frameOf("AXButton", "PivotTable"));
}

TEST_F(KeyTipTest, AMenuLevelOpensTheMenuAndBadgesItsItems) {
  world.scanLevel({"H", "V"});
  EXPECT_EQ(world.excel->openPopupCount(), 1u);
  EXPECT_EQ(world.texts(), (Strings{"P", "T"}));
  EXPECT_EQ(world.tip("P")->placement, Placement::menuItem);
  EXPECT_TRUE(world.keyTips->elementFor("H V").has_value());
  EXPECT_TRUE(world.keyTips->elementFor("H V T").has_value());
  // The same level again reuses the open menu rather than opening another.
  world.scanLevel({"H", "V"});
  EXPECT_EQ(world.excel->openPopupCount(), 1u);
  EXPECT_EQ(world.texts(), (Strings{"P", "T"}));
}

TEST_F(KeyTipTest, AKeyTypedBeforeItsBadgesFindsItsItemInTheMenuTheLevelOpened) {
  EXPECT_FALSE(world.keyTips->elementInOpenMenu({"H", "V", "T"}).has_value()) << "no menu open yet";
  world.scanLevel({"H", "V"});
  auto item = world.keyTips->elementInOpenMenu({"H", "V", "T"});
  ASSERT_TRUE(item.has_value());
  EXPECT_EQ(*item, world.excel->find({"AXMenuItem", "Transpose"}).value());
  // Only the level the menu was opened for, one key deeper: never another path or depth.
  EXPECT_FALSE(world.keyTips->elementInOpenMenu({"H", "V"}).has_value());
  EXPECT_FALSE(world.keyTips->elementInOpenMenu({"H", "Z", "T"}).has_value());
  EXPECT_FALSE(world.keyTips->elementInOpenMenu({"H", "V", "T", "X"}).has_value());
  EXPECT_FALSE(world.keyTips->elementInOpenMenu({"H", "V", "Q"}).has_value()) << "no such shortcut";
  EXPECT_EQ(world.excel->openPopupCount(), 1u) << "looking opens and closes nothing";
  world.keyTips->forgetLevel(true);
  EXPECT_TRUE(world.time.runUntilIdle());
  EXPECT_FALSE(world.keyTips->elementInOpenMenu({"H", "V", "T"}).has_value()) << "the menu was closed";
}

TEST_F(KeyTipTest, AClosedMenuIsPoppedAndTheRibbonLevelComesBack) {
  world.scanLevel({"H", "V"});
  world.excel->receiveKey(53, true, 0);
  world.excel->receiveKey(53, false, 0);
  EXPECT_TRUE(world.time.runUntilIdle());
  EXPECT_EQ(world.excel->openPopupCount(), 0u);
  world.scanLevel({"H"});
  EXPECT_EQ(world.texts().front(), "1");
  EXPECT_FALSE(world.keyTips->elementFor("H V P").has_value());
  EXPECT_EQ(world.tip("V")->placement, Placement::bottom);
}

TEST_F(KeyTipTest, ForgettingTheLevelClosesTheMenusItOpened) {
  world.scanLevel({"H", "V"});
  world.keyTips->forgetLevel(true);
  EXPECT_TRUE(world.time.runUntilIdle());
  EXPECT_EQ(world.excel->openPopupCount(), 0u);
  EXPECT_EQ(world.keyTips->levelPath(), std::nullopt);
  EXPECT_FALSE(world.keyTips->elementFor("H V P").has_value());
}

TEST_F(KeyTipTest, TypingTwoKeysQuicklyShowsOnlyTheSecondLevel) {
  world.update({"H"});
  world.update({"N"});
  EXPECT_TRUE(world.time.runUntilIdle());
  EXPECT_EQ(world.shown, std::vector<int>{1});
  EXPECT_EQ(world.texts(), Strings{"V"});
}

TEST_F(KeyTipTest, AResultThatBecameStaleDuringItsScanIsDropped) {
  world.excel->setCallLatency(0.001);
  world.update({"H"});
  // While the first scan is reading Excel, the user types on.
  (void)world.time.main().after(0.005, [&] { world.update({"N"}); });
  EXPECT_TRUE(world.time.runUntilIdle());
  EXPECT_EQ(world.shown, std::vector<int>{1});
  EXPECT_EQ(world.texts(), Strings{"V"});
}

TEST_F(KeyTipTest, AScanWithAnOldTicketNeverStarts) {
  world.update({});
  auto old = world.keyTips->latestTicket();
  world.update({});
  world.excel->resetCounts();
  EXPECT_FALSE(world.keyTips->scan(old, {}, world.pid(), world.library).has_value());
  EXPECT_EQ(world.excel->totalCalls(), 0u);
}

TEST_F(KeyTipTest, TurnedOffScansStillFindTheAnchorAndReportZero) {
  world.keyTips->setEnabled(false);
  world.scanLevel({});
  EXPECT_EQ(world.shown, std::vector<int>{0});
  ASSERT_TRUE(world.keyTips->anchor());
  EXPECT_EQ(world.keyTips->anchor()->window, world.frameOf("AXWindow", "Book1"));
  EXPECT_EQ(world.keyTips->anchor()->ribbonBottom, world.frameOf("AXTabGroup", "ribbon").maxY());
  EXPECT_TRUE(world.keyTips->overlay().visibleContent().empty());
  EXPECT_EQ(world.keyTips->lastTips().size(), 4u);
}

TEST_F(KeyTipTest, BadgesAreDrawnWithTheirKeysAndTargets) {
  world.scanLevel({"H"});
  auto content = world.keyTips->overlay().visibleContent();
  ASSERT_EQ(content.size(), 1u);
  ASSERT_EQ(content[0]->badges.size(), 10u);
  EXPECT_EQ(content[0]->badges[4].keys, "H F N");
  EXPECT_EQ(content[0]->badges[4].target, "Font Settings");
  EXPECT_TRUE(content[0]->badges[4].connector.has_value());
  world.keyTips->hide();
  EXPECT_TRUE(world.keyTips->overlay().visibleContent().empty());
}

TEST(KeyTipNames, AQuickAccessBadgeIsNamedByTitleOrDescriptionAndNeverByGuess) {
  auto replaced = [](std::string json, const std::string& from, const std::string& to) {
    json.replace(json.find(from), from.size(), to);
    return json;
  };
  // Only a tooltip and an identifier: Excel gives the button no name, so the badge keeps its number.
  testing::KeyTipWorld unnamed(testing::libraryFrom(testing::kKeyTipLibrary),
                               testing::keyTipFixture(replaced(testing::kKeyTipFixture, R"("description": "Save"})",
                                                               R"x("identifier": "qatSave", "help": "Save (⌘S)"})x")));
  unnamed.scanLevel({});
  ASSERT_TRUE(unnamed.tip("1"));
  EXPECT_EQ(unnamed.tip("1")->target, "Quick Access Toolbar button 2");
  // A title wins over a description.
  testing::KeyTipWorld titled(testing::libraryFrom(testing::kKeyTipLibrary),
                              testing::keyTipFixture(replaced(testing::kKeyTipFixture, R"("description": "Save"})",
                                                              R"("title": "Save Now", "description": "Save"})")));
  titled.scanLevel({});
  ASSERT_TRUE(titled.tip("1"));
  EXPECT_EQ(titled.tip("1")->target, "Save Now");
}

TEST(KeyTipFailures, NoWorkbookWindowGivesNoTipsAndKeepsTheAnchor) {
  testing::KeyTipWorld world(testing::libraryFrom(testing::kKeyTipLibrary),
                             testing::keyTipFixture(R"({"format": 1, "name": "empty",
      "application": {"pid": 5}, "windows": [], "menuBar": [{"title": "Apple", "menu": ["About"]}]})"));
  world.scanLevel({});
  EXPECT_TRUE(world.keyTips->lastTips().empty());
  EXPECT_FALSE(world.keyTips->anchor());
  EXPECT_EQ(world.shown, std::vector<int>{0});
}

TEST(KeyTipFailures, AnUnreadableControlDropsOnlyItsOwnTip) {
  testing::KeyTipWorld world;
  world.excel->injectError(platform::sim::ElementSelector{"AXButton", "Cut"}, platform::ax::kCannotComplete);
  world.scanLevel({"H"});
  EXPECT_FALSE(world.tip("X"));
  EXPECT_TRUE(world.tip("C"));
}

TEST(KeyTipFailures, ExcelQuittingMidScanEndsQuietly) {
  testing::KeyTipWorld world;
  world.excel->quitAfterCalls(5);
  world.scanLevel({"H"});
  EXPECT_EQ(world.shown.size(), 1u);
}

// Real threads: the main thread requests scans while the actions queue runs them.
TEST(KeyTipConcurrency, OnlyTheLatestRequestIsShownWithRealQueues) {
  platform::sim::VirtualTime simTime;  // Excel's own clock; root scans never wait on it
  auto excel = std::make_unique<platform::sim::SimExcel>(simTime, simTime, testing::keyTipFixture());
  platform::posix::ThreadedScheduler scheduler;
  excel::ExcelServices services{excel->accessibility(), excel->windowList(), excel->inputPoster(), simTime};
  auto actions = scheduler.makeSerialQueue("app.corvane.actions", platform::QoS::userInitiated);
  platform::sim::SimScreens screens;
  platform::sim::SimPanels panels(scheduler);
  platform::sim::SimTextMetrics metrics;
  auto four = testing::libraryFrom(testing::kKeyTipLibrary);
  auto one = testing::libraryFrom(R"({"tips": {"H": "tab:Home"}, "shortcuts": [
      {"keys": "H 1", "name": "Bold", "do": {"ribbon": "Bold", "tab": "Home"}}]})");
  auto keyTips = std::make_shared<KeyTipController>(
      scheduler, *actions, services, std::make_unique<KeyTipOverlay>(panels, screens, metrics), four);
  std::vector<int> shown;
  keyTips->onTipsShown = [&](int n) { shown.push_back(n); };
  constexpr int kRequests = 60;
  for (int i = 0; i < kRequests; ++i) {
    keyTips->setLibrary(i % 2 == 0 ? four : one);
    keyTips->update({}, *excel->pid());
    scheduler.runMain(0);
  }
  ASSERT_TRUE(scheduler.waitForQueues(20));
  scheduler.runMain(0);
  ASSERT_FALSE(shown.empty());
  EXPECT_LE(shown.size(), static_cast<std::size_t>(kRequests));
  // The last request used the one-tab library: whatever ran before, only its result may stand.
  EXPECT_EQ(shown.back(), 1);
  EXPECT_EQ(keyTips->lastTips().size(), 1u);
  EXPECT_EQ(keyTips->latestTicket(), static_cast<std::uint64_t>(kRequests));
}

}  // namespace
}  // namespace corvane::feedback
