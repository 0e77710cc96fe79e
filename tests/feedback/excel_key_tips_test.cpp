#include "feedback/excel_key_tips.hpp"

#include <gtest/gtest.h>

#include "feedback/key_tip_controller.hpp"
#include "key_tip_test_fixture.hpp"
#include "platform/event_tap.hpp"

// Key tips and Excel's own KeyTips: found by role under the application, taken away with Escape
// only when seen and Excel is in front, never drawn over, looked for a moment after Option goes up.

namespace corvane::feedback {
namespace {

namespace sim = platform::sim;
using Strings = std::vector<std::string>;

constexpr std::uint16_t kEscape = 53;

std::shared_ptr<const sim::ExcelFixture> withExcelKeyTips(std::optional<sim::KeyTipsKey> key, double delay = 0) {
  auto fixture = std::make_shared<sim::ExcelFixture>(*testing::keyTipFixture());
  fixture->application.nativeKeyTips = key;
  fixture->application.nativeKeyTipsDelay = delay;
  return fixture;
}

struct World : testing::KeyTipWorld {
  explicit World(std::optional<sim::KeyTipsKey> key = sim::KeyTipsKey::option, double delay = 0)
      : KeyTipWorld(testing::libraryFrom(testing::kKeyTipLibrary), withExcelKeyTips(key, delay)) {
    keyTips->onExcelKeyTips = [this](const ExcelKeyTipsMet& m) { met.push_back(m); };
  }
  /// The user taps Option in Excel.
  void tapOption() {
    excel->receiveFlags(platform::flags::kOption);
    excel->receiveFlags(0);
  }
  /// Escapes the program posted so far (key downs).
  int escapes() const {
    int n = 0;
    for (const auto& e : excel->inputPoster().posted()) {
      if (e.type == platform::EventType::keyDown && e.keyCode == kEscape) ++n;
    }
    return n;
  }
  bool badgesVisible() const { return !keyTips->overlay().visibleContent().empty(); }
  excel::ExcelApp app() const { return excel::ExcelApp(services, pid()); }

  std::vector<ExcelKeyTipsMet> met;
};

TEST(ExcelKeyTipsLookup, AreStaticTextsUnderTheApplicationAndNothingElse) {
  World world;
  // The document title in the title bar is a static text too, but inside a window.
  ASSERT_TRUE(world.excel->find({"AXStaticText", ""}).has_value());
  EXPECT_FALSE(excelKeyTipsShowing(world.app()));
  world.tapOption();
  EXPECT_TRUE(excelKeyTipsShowing(world.app()));
  world.excel->receiveKey(kEscape, true, 0);
  EXPECT_FALSE(excelKeyTipsShowing(world.app()));
  // One read of the children and one role per child (the window and the menu bar), no more.
  world.excel->resetCounts();
  (void)excelKeyTipsShowing(world.app());
  EXPECT_EQ(world.excel->remoteCalls(), 3u);
}

TEST(ExcelKeyTipsLookup, LeavingPostsEscapeOnlyToAnExcelInFront) {
  World world;
  world.tapOption();
  world.excel->injectError(sim::ElementSelector{"AXApplication", ""}, platform::ax::kCannotComplete, "AXFrontmost");
  EXPECT_FALSE(leaveExcelKeyTips(world.app()));
  EXPECT_EQ(world.escapes(), 0);
  EXPECT_TRUE(world.excel->keyTipsShowing());
  world.excel->clearFaults();
  EXPECT_TRUE(leaveExcelKeyTips(world.app()));
  EXPECT_EQ(world.escapes(), 1);
  EXPECT_FALSE(world.excel->keyTipsShowing());
}

TEST(ExcelKeyTipsLookup, ASecondEscapeLeavesATabsKeyTips) {
  World world;
  world.tapOption();
  world.excel->receiveKey(4, true, 0);  // H: Home's KeyTips
  ASSERT_TRUE(world.excel->keyTipsShowing());
  EXPECT_TRUE(leaveExcelKeyTips(world.app()));
  EXPECT_EQ(world.escapes(), 2);
}

TEST(ExcelKeyTipsScan, ExcelsKeyTipsGoBeforeAnyBadgeIsDrawn) {
  World world;
  world.tapOption();
  world.excel->clearEvents();
  bool excelsShowingWhenDrawn = true;
  world.keyTips->onTipsShown = [&](int n) {
    world.shown.push_back(n);
    excelsShowingWhenDrawn = world.excel->keyTipsShowing();
  };
  world.scanLevel({});
  EXPECT_EQ(world.escapes(), 1);
  EXPECT_FALSE(excelsShowingWhenDrawn);
  EXPECT_EQ(world.texts(), (Strings{"1", "H", "N", "S"}));
  EXPECT_TRUE(world.badgesVisible());
  EXPECT_EQ(world.met, (std::vector<ExcelKeyTipsMet>{{true, false}}));
  // Excel took the Escape for its KeyTips: the sheet never saw it.
  for (const auto& event : world.excel->events()) EXPECT_NE(event.kind, sim::ExcelEvent::Kind::key);
}

TEST(ExcelKeyTipsScan, NoKeyTipsNoEscape) {
  for (auto key : {std::optional<sim::KeyTipsKey>{}, std::optional(sim::KeyTipsKey::shiftOption)}) {
    World world(key);
    world.tapOption();
    world.scanLevel({});
    world.keyTips->lookForExcelKeyTips(world.pid());
    world.time.runUntilIdle();
    EXPECT_EQ(world.escapes(), 0);
    EXPECT_TRUE(world.met.empty());
    EXPECT_EQ(world.shown, std::vector<int>{4});
  }
}

TEST(ExcelKeyTipsScan, AnExcelNotInFrontGetsNoEscapeAndNoBadgesOverItsKeyTips) {
  World world;
  world.tapOption();
  world.excel->injectError(sim::ElementSelector{"AXApplication", ""}, platform::ax::kCannotComplete, "AXFrontmost");
  world.scanLevel({});
  EXPECT_EQ(world.escapes(), 0);
  EXPECT_TRUE(world.texts().empty());
  EXPECT_EQ(world.shown, std::vector<int>{0}) << "the key list stands in";
  EXPECT_EQ(world.met, (std::vector<ExcelKeyTipsMet>{{false, false}}));
}

TEST(ExcelKeyTipsScan, KeyTipsThatStayAreEscapedTwiceOncePerSequence) {
  World world;
  world.excel->setKeyTipsIgnoreEscape(true);
  world.tapOption();
  world.scanLevel({});
  EXPECT_EQ(world.escapes(), kExcelKeyTipsEscapes);
  EXPECT_TRUE(world.texts().empty());
  EXPECT_EQ(world.met, (std::vector<ExcelKeyTipsMet>{{false, false}}));
  // The next level of the same sequence: no more Escapes, still no badges, nothing new to tell.
  world.scanLevel({"H"});
  EXPECT_EQ(world.escapes(), kExcelKeyTipsEscapes);
  EXPECT_TRUE(world.texts().empty());
  EXPECT_EQ(world.met.size(), 1u);
  EXPECT_EQ(world.shown, (std::vector<int>{0, 0}));
  // Once they go (a click), badges come back within the sequence.
  world.excel->receiveMouse(platform::InputPoster::Mouse::leftDown, {5, 600});
  world.scanLevel({"H"});
  EXPECT_FALSE(world.texts().empty());
  // A new sequence tries again.
  world.keyTips->hide();
  world.tapOption();
  world.scanLevel({});
  EXPECT_EQ(world.escapes(), 2 * kExcelKeyTipsEscapes);
}

TEST(ExcelKeyTipsLook, KeyTipsThatComeLateAreTakenAwayAndTheBadgesStay) {
  World world(sim::KeyTipsKey::option, 0.2);
  world.tapOption();
  world.update({});
  world.keyTips->lookForExcelKeyTips(world.pid());
  world.time.advanceBy(0.1);
  EXPECT_TRUE(world.badgesVisible()) << "drawn while Excel's were not there yet";
  EXPECT_EQ(world.escapes(), 0);
  world.time.advanceBy(0.15);
  EXPECT_FALSE(world.excel->keyTipsShowing());
  EXPECT_EQ(world.escapes(), 1);
  EXPECT_TRUE(world.badgesVisible());
  world.time.runUntilIdle();
  EXPECT_EQ(world.met, (std::vector<ExcelKeyTipsMet>{{true, false}}));
}

TEST(ExcelKeyTipsLook, BadgesGiveWayToLateKeyTipsThatStay) {
  World world(sim::KeyTipsKey::option, 0.2);
  world.excel->setKeyTipsIgnoreEscape(true);
  world.tapOption();
  world.update({});
  world.keyTips->lookForExcelKeyTips(world.pid());
  world.time.advanceBy(0.1);
  ASSERT_TRUE(world.badgesVisible());
  world.time.runUntilIdle();
  EXPECT_TRUE(world.excel->keyTipsShowing());
  EXPECT_FALSE(world.badgesVisible());
  EXPECT_TRUE(world.keyTips->lastTips().empty());
  EXPECT_EQ(world.met, (std::vector<ExcelKeyTipsMet>{{false, true}}));
}

TEST(ExcelKeyTipsLook, EndsAfterItsWindowAndCostsLittle) {
  World world(sim::KeyTipsKey::option, 0.5);
  world.tapOption();
  world.excel->resetCounts();
  world.keyTips->lookForExcelKeyTips(world.pid());
  world.time.advanceBy(0.45);
  EXPECT_LE(world.excel->remoteCalls(), 7u * 4u) << "a read of the children and their roles, every 0.05 s";
  world.time.runUntilIdle();
  EXPECT_TRUE(world.excel->keyTipsShowing()) << "they came after the look gave up";
  EXPECT_EQ(world.escapes(), 0);
}

TEST(ExcelKeyTipsLook, ANewerLookReplacesAnOlderOne) {
  World world;
  world.tapOption();
  world.keyTips->lookForExcelKeyTips(world.pid());
  world.keyTips->lookForExcelKeyTips(world.pid());
  world.time.runUntilIdle();
  EXPECT_EQ(world.escapes(), 1);
  EXPECT_EQ(world.met.size(), 1u);
}

}  // namespace
}  // namespace corvane::feedback
