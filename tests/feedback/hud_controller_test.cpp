#include "feedback/hud_controller.hpp"

#include <gtest/gtest.h>

#include "feedback_test_support.hpp"
#include "platform/sim/sim_panels.hpp"
#include "platform/sim/sim_screens.hpp"
#include "platform/sim/virtual_time.hpp"

namespace corvane::feedback {
namespace {

using platform::PanelKind;
using platform::Rect;
using platform::sim::SimScreens;

class HUDTest : public ::testing::Test {
 protected:
  void SetUp() override { make(); }

  void make() {
    HUDController::Sources sources;
    sources.library = [this] { return library; };
    sources.keyTipAnchor = [this] { return anchor; };
    sources.keyListMode = [this] { return mode; };
    sources.runningExcel = [this] { return excelPid; };
    hud = std::make_shared<HUDController>(panels, screens, windows, time, sources);
  }

  platform::sim::SimPanel& panel() { return *panels.first(PanelKind::hud); }
  Rect frame() { return panel().frame(); }
  void notice(double seconds = 2) { hud->showNotice("Hello", false, seconds); }

  platform::sim::VirtualTime time;
  SimScreens screens;  // one 1440 × 900 screen; visible frame (0, 0, 1440, 875); top = 900
  platform::sim::SimPanels panels{time};
  testing::ListedWindows windows;
  model::LibraryPtr library = testing::libraryFrom(R"({"groups": {"H": "Home"}, "shortcuts": [
      {"keys": "H B", "name": "Home: bold", "do": {"key": "cmd+b"}}]})");
  std::optional<HUDAnchor> anchor;
  model::KeyListMode mode = model::KeyListMode::whenNoTips;
  std::optional<std::int32_t> excelPid;
  std::shared_ptr<HUDController> hud;
};

TEST_F(HUDTest, StaysHiddenUntilTheFirstShow) {
  EXPECT_FALSE(panel().isVisible());
  EXPECT_EQ(panel().frame().size(), (platform::Size{300, 60}));
}

TEST_F(HUDTest, KeyListHangsUnderTheRibbonInsideTheWindow) {
  anchor = HUDAnchor{{100, 50, 1000, 700}, 200.0};
  hud->showKeyList({"H"}, library->options(std::vector<std::string>{"H"}));
  auto f = frame();
  EXPECT_TRUE(panel().isVisible());
  EXPECT_TRUE(panel().ignoresMouse());
  EXPECT_EQ(hud->placement(), HUDController::Placement::belowRibbon);
  EXPECT_DOUBLE_EQ(f.x, 114);
  EXPECT_DOUBLE_EQ(f.y, 900 - 200 - 8 - f.height);
  EXPECT_EQ(hud->state().title, "Home");
  EXPECT_EQ(hud->state().options.at(0).label, "Bold");
}

TEST_F(HUDTest, KeyListInAlwaysModeSitsAboveTheWindowsBottom) {
  anchor = HUDAnchor{{100, 50, 1000, 700}, 200.0};
  mode = model::KeyListMode::always;
  hud->showKeyList({}, library->options(std::vector<std::string>{}));
  auto f = frame();
  EXPECT_EQ(hud->placement(), HUDController::Placement::bottom);
  EXPECT_DOUBLE_EQ(f.x, 600 - f.width / 2);
  EXPECT_DOUBLE_EQ(f.y, (900 - 750) + 64);
  EXPECT_EQ(hud->state().title, "Excel shortcuts");
}

TEST_F(HUDTest, AnchorWithoutRibbonLineAssumes150Points) {
  anchor = HUDAnchor{{100, 50, 1000, 700}, std::nullopt};
  hud->showKeyList({}, {});
  EXPECT_DOUBLE_EQ(frame().y, 900 - 200 - 8 - frame().height);
}

TEST_F(HUDTest, OtherContentFindsExcelsWindowDirectlyAndKeepsTheRibbonOffset) {
  anchor = HUDAnchor{{100, 50, 1000, 700}, 200.0};
  excelPid = 42;
  windows.windows = {{7, {0, 0, 1400, 850}, 0},      // another application
                     {42, {10, 10, 400, 800}, 0},    // not wider than 400
                     {42, {10, 10, 800, 300}, 0},    // not taller than 300
                     {42, {10, 10, 800, 600}, 3},    // not layer 0
                     {42, {200, 100, 1000, 700}, 0}};
  hud->showBusy("AutoFit");
  auto f = frame();
  EXPECT_EQ(hud->placement(), HUDController::Placement::belowRibbonCentered);
  EXPECT_DOUBLE_EQ(f.x, 700 - f.width / 2);
  EXPECT_DOUBLE_EQ(f.y, 900 - (100 + 150) - 10 - f.height);
  EXPECT_EQ(panel().cornerRadius(), 15);
}

TEST_F(HUDTest, DirectLookupWithoutAnchorUses150PointsAndTheKeyListNeverLooksDirectly) {
  excelPid = 42;
  windows.windows = {{42, {200, 100, 1000, 700}, 0}};
  hud->showBusy("AutoFit");
  EXPECT_DOUBLE_EQ(frame().y, 900 - 250 - 10 - frame().height);
  EXPECT_EQ(panel().cornerRadius(), 15);
  // The key list uses only the anchor: with none, it is centred on the pointer's screen.
  hud->showKeyList({}, {});
  EXPECT_DOUBLE_EQ(frame().y, 40);
  EXPECT_EQ(panel().cornerRadius(), 10);
}

TEST_F(HUDTest, NoWindowNoAnchorCentresOnThePointersScreen) {
  screens.setScreens({SimScreens::makeScreen(1, {0, 0, 1440, 900}), SimScreens::makeScreen(2, {1440, -200, 1920, 1080})});
  screens.setMouseLocation({2000, 300});
  notice();
  auto f = frame();
  EXPECT_DOUBLE_EQ(f.x, 1440 + 960 - f.width / 2);
  EXPECT_DOUBLE_EQ(f.y, -200 + 40);
  // A pointer on no screen falls back to the main screen.
  screens.setMouseLocation({-5000, -5000});
  screens.setMainScreen(1);
  notice();
  EXPECT_DOUBLE_EQ(frame().y, -200 + 40);
  screens.setMainScreen(0);
  notice();
  EXPECT_DOUBLE_EQ(frame().x, 720 - frame().width / 2);
  EXPECT_DOUBLE_EQ(frame().y, 40);
}

TEST_F(HUDTest, ClampedEightPointsInsideTheVisibleFrame) {
  anchor = HUDAnchor{{1300, 50, 1000, 700}, 880.0};  // ribbon line near the bottom, far right
  hud->showKeyList({}, {});
  auto f = frame();
  EXPECT_DOUBLE_EQ(f.x, 1440 - f.width - 8);
  EXPECT_DOUBLE_EQ(f.y, 8);
  anchor = HUDAnchor{{-900, -60, 1000, 700}, -50.0};  // off the top left
  hud->showKeyList({}, {});
  f = frame();
  EXPECT_DOUBLE_EQ(f.x, 8);
  EXPECT_DOUBLE_EQ(f.y, 875 - f.height - 8);
}

TEST_F(HUDTest, ClampsToTheScreenHoldingTheWindowsCentre) {
  screens.setScreens({SimScreens::makeScreen(1, {0, 0, 1440, 900}), SimScreens::makeScreen(2, {1440, 0, 1920, 1080})});
  // The window's centre (2900, 900 − 400) lies on the second screen, so its edge is not the first's.
  anchor = HUDAnchor{{2400, 50, 1000, 700}, 200.0};
  hud->showKeyList({}, {});
  EXPECT_DOUBLE_EQ(frame().x, 2414);
  // A window whose centre is on no screen uses the pointer's screen.
  anchor = HUDAnchor{{9000, 50, 1000, 700}, 200.0};
  screens.setMouseLocation({100, 100});
  hud->showKeyList({}, {});
  EXPECT_DOUBLE_EQ(frame().x, 1440 - frame().width - 8);
}

TEST_F(HUDTest, UnderTheIconOnlyHorizontalEdgesAreClamped) {
  hud->showNotice("Corvane is off", false, 1.4, Rect{1420, 875, 20, 25});
  auto f = frame();
  EXPECT_DOUBLE_EQ(f.x, 1440 - f.width - 8);
  EXPECT_DOUBLE_EQ(f.y, 875 - 6 - f.height);
  hud->showNotice("Corvane is on", false, 1.4, Rect{600, 875, 20, 25});
  EXPECT_DOUBLE_EQ(frame().x, 610 - frame().width / 2);
  // An icon on no screen falls through to the ordinary placement.
  hud->showNotice("x", false, 1.4, Rect{5000, 5000, 20, 25});
  EXPECT_DOUBLE_EQ(frame().y, 40);
}

TEST_F(HUDTest, BusyAfterAnIconNoticeGoesBackToExcel) {
  anchor = HUDAnchor{{100, 50, 1000, 700}, 200.0};
  hud->showKeyList({}, {});  // takes the key tips' anchor
  hud->showNotice("Corvane is on", false, 1.4, Rect{600, 875, 20, 25});
  hud->showBusy("Bold");
  EXPECT_DOUBLE_EQ(frame().y, 900 - 200 - 10 - frame().height);
}

TEST_F(HUDTest, NoticeHidesAfterItsDelay) {
  notice(2);
  time.advanceBy(1.999);
  EXPECT_TRUE(panel().isVisible());
  time.advanceBy(0.002);
  EXPECT_FALSE(panel().isVisible());
}

TEST_F(HUDTest, OnlyTheLatestDelayCounts) {
  notice(5);
  time.advanceBy(1);
  notice(1);
  time.advanceBy(1.001);
  EXPECT_FALSE(panel().isVisible());
  notice(1);
  time.advanceBy(0.5);
  notice(5);
  time.advanceBy(1);
  EXPECT_TRUE(panel().isVisible());
}

TEST_F(HUDTest, KeyListShownWhileANoticeIsPendingStays) {
  notice(2);
  time.advanceBy(1);
  hud->showKeyList({}, {});
  time.advanceBy(10);
  EXPECT_TRUE(panel().isVisible());
  EXPECT_EQ(hud->content(), HUDController::Content::keyList);
  hud->hide();
  EXPECT_FALSE(panel().isVisible());
}

TEST_F(HUDTest, ProblemsHideAfterTwelveSecondsWithFixesAndSixWithout) {
  excel::RunProblem withFix{"Couldn't find “Bold”", "detail", {excel::RunProblem::Fix::tryAgain}, "r"};
  hud->showProblem(withFix, "⌥ H 1", {});
  EXPECT_FALSE(panel().ignoresMouse());
  time.advanceBy(11.9);
  EXPECT_TRUE(panel().isVisible());
  time.advanceBy(0.2);
  EXPECT_FALSE(panel().isVisible());
  hud->showProblem({"t", "d", {}, "r"}, "⌥ H 1", {});
  time.advanceBy(5.9);
  EXPECT_TRUE(panel().isVisible());
  time.advanceBy(0.2);
  EXPECT_FALSE(panel().isVisible());
}

TEST_F(HUDTest, ProblemButtonsCallTheFixAndDismissHides) {
  std::vector<excel::RunProblem::Fix> pressed;
  excel::RunProblem problem{"t", "d", {excel::RunProblem::Fix::widenExcel, excel::RunProblem::Fix::tryAgain}, "r"};
  hud->showProblem(problem, "⌥ H 1", [&](excel::RunProblem::Fix fix) { pressed.push_back(fix); });
  auto view = std::dynamic_pointer_cast<const platform::views::ProblemView>(panel().content());
  ASSERT_TRUE(view);
  ASSERT_EQ(view->fixes.size(), 2u);
  EXPECT_DOUBLE_EQ(view->width, 380);
  panel().send(testing::buttonPress(view->fixes[1].id));
  panel().send(testing::buttonPress("no such button"));
  EXPECT_EQ(pressed, std::vector{excel::RunProblem::Fix::tryAgain});
  panel().send(testing::buttonPress("dismiss"));
  EXPECT_FALSE(panel().isVisible());
}

TEST_F(HUDTest, TheHideWorkHoldsTheControllerWeakly) {
  notice(2);
  std::weak_ptr<HUDController> weak = hud;
  hud.reset();
  EXPECT_TRUE(weak.expired());
  EXPECT_TRUE(time.runUntilIdle());
}

TEST_F(HUDTest, AFixCallbackMayReplaceTheContent) {
  excel::RunProblem problem{"t", "d", {excel::RunProblem::Fix::tryAgain}, "r"};
  hud->showProblem(problem, "", [&](excel::RunProblem::Fix) { hud->showBusy("again"); });
  auto view = std::dynamic_pointer_cast<const platform::views::ProblemView>(panel().content());
  panel().send(testing::buttonPress(view->fixes[0].id));
  EXPECT_EQ(hud->content(), HUDController::Content::busy);
  time.advanceBy(20);
  EXPECT_TRUE(panel().isVisible());
}

TEST_F(HUDTest, OnlyANoticeWithAnActionTakesTheMouse) {
  notice();
  EXPECT_TRUE(panel().ignoresMouse());
  hud->showNotice("Corvane 2.0 is installed", false, 10, std::nullopt, {}, platform::views::Button{"open", "See What's New"});
  EXPECT_FALSE(panel().ignoresMouse()) << "its button must get the click, not Excel";
  EXPECT_TRUE(hud->acceptsMouse());
  hud->showBusy("Bold");
  EXPECT_TRUE(panel().ignoresMouse());
}

TEST_F(HUDTest, KeyListFooterMessageComesAndGoesWithTheListStaying) {
  mode = model::KeyListMode::always;
  hud->showKeyList({"H"}, library->options(std::vector<std::string>{"H"}));
  hud->showKeyListMessage("Nothing on “Z” here", true, 1.4);
  EXPECT_EQ(hud->content(), HUDController::Content::keyList);
  EXPECT_EQ(hud->state().message, std::optional<std::string>("Nothing on “Z” here"));
  const auto* list = dynamic_cast<const platform::views::KeyListView*>(hud->currentView().get());
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->message, std::optional<std::string>("Nothing on “Z” here"));
  EXPECT_TRUE(list->messageIsError);
  time.advanceBy(1.5);
  EXPECT_TRUE(panel().isVisible());
  EXPECT_EQ(hud->state().message, std::nullopt);
  list = dynamic_cast<const platform::views::KeyListView*>(hud->currentView().get());
  ASSERT_NE(list, nullptr);
  EXPECT_EQ(list->message, std::nullopt);
  EXPECT_FALSE(list->hints.empty());
}

TEST_F(HUDTest, KeyListMessageEndsWithoutTouchingWhatCameAfter) {
  hud->showKeyList({"H"}, library->options(std::vector<std::string>{"H"}));
  hud->showKeyListMessage("Nothing on “Z” here", false, 1.4);
  hud->showNotice("Loaded 3 shortcuts", false, 5);
  time.advanceBy(1.5);
  EXPECT_EQ(hud->content(), HUDController::Content::notice);
  EXPECT_EQ(hud->state().message, std::optional<std::string>("Loaded 3 shortcuts"));
  // A new path's list starts without the old message.
  hud->showKeyList({"H"}, library->options(std::vector<std::string>{"H"}));
  hud->showKeyListMessage("Nothing on “Q” here", false, 1.4);
  hud->showKeyList({}, library->options(std::vector<std::string>{}));
  EXPECT_EQ(hud->state().message, std::nullopt);
}

TEST_F(HUDTest, KeyListMessageNeedsAShownList) {
  hud->showKeyListMessage("Nothing on “Z” here", false, 1.4);
  EXPECT_FALSE(panel().isVisible());
  notice();
  hud->showKeyListMessage("Nothing on “Z” here", false, 1.4);
  EXPECT_EQ(hud->state().message, std::optional<std::string>("Hello"));
}

}  // namespace
}  // namespace corvane::feedback
