#include <gtest/gtest.h>

#include "app/run_animation.hpp"
#include "app/status_line.hpp"
#include "platform/sim/virtual_time.hpp"

namespace corvane::app {
namespace {

TEST(StatusLine, FirstMatchingRowWins) {
  // Without the permission nothing else matters.
  EXPECT_EQ(statusLine({false, true, true, true}), (StatusLine{"Needs Accessibility access", false}));
  EXPECT_EQ(statusLine({true, false, false, true}), (StatusLine{"Keyboard listener stopped", false}));
  EXPECT_EQ(statusLine({true, true, false, false}), (StatusLine{"Keyboard listener stopped", false}));
  EXPECT_EQ(statusLine({true, true, true, true}), (StatusLine{"Ready: tap ⌥ in Excel", true}));
  EXPECT_EQ(statusLine({true, true, true, false}), (StatusLine{"Paused", false}));
}

TEST(StatusIcon, WarningSymbolWithoutPermissionHidesListeningAndCar) {
  auto icon = statusIcon({false, false, false, true}, true, 0.4, false);
  EXPECT_EQ(icon.symbol, StatusIconState::Symbol::warning);
  EXPECT_EQ(icon.systemSymbolName, "exclamationmark.triangle");
  EXPECT_FALSE(icon.listening);
  EXPECT_EQ(icon.car, std::nullopt);
  EXPECT_EQ(icon.toolTip, "Needs Accessibility access");
  EXPECT_EQ(icon.accessibilityDescription, "Corvane");
  EXPECT_TRUE(icon.templateImage);

  auto running = statusIcon({true, true, true, true}, true, 0.4, true);
  EXPECT_EQ(running.symbol, StatusIconState::Symbol::logo);
  EXPECT_TRUE(running.listening);
  EXPECT_EQ(running.car, 0.4);
  EXPECT_FALSE(running.disabledLook);  // on: never dimmed
}

TEST(StatusIcon, DimmedOnlyWhenOffAndAskedFor) {
  ListenerFacts off{true, true, true, false};
  EXPECT_TRUE(statusIcon(off, false, std::nullopt, true).disabledLook);
  EXPECT_FALSE(statusIcon(off, false, std::nullopt, false).disabledLook);
  EXPECT_EQ(statusIcon(off, false, std::nullopt, false).toolTip, "Paused");
}

TEST(RunAnimationCurve, EasesInAndOutContinuously) {
  EXPECT_DOUBLE_EQ(easeInOut(0), 0);
  EXPECT_DOUBLE_EQ(easeInOut(0.25), 0.125);
  EXPECT_DOUBLE_EQ(easeInOut(0.5), 0.5);
  EXPECT_DOUBLE_EQ(easeInOut(0.75), 0.875);
  EXPECT_DOUBLE_EQ(easeInOut(1), 1);
  EXPECT_NEAR(easeInOut(0.4999999), easeInOut(0.5), 1e-6);
  EXPECT_DOUBLE_EQ(easeInOut(-1), 0);
  EXPECT_DOUBLE_EQ(easeInOut(2), 1);
  for (double t = 0; t < 1; t += 0.01) EXPECT_LE(easeInOut(t), easeInOut(t + 0.01));
}

class RunAnimationTest : public ::testing::Test {
 protected:
  platform::sim::VirtualTime time;
  std::vector<std::optional<double>> frames;
  RunAnimation animation{time, time, [this](std::optional<double> car) { frames.push_back(car); }};
};

TEST_F(RunAnimationTest, RunsForItsDurationThenClearsTheCar) {
  animation.start(true);
  time.advanceBy(0.5);
  ASSERT_FALSE(frames.empty());
  EXPECT_TRUE(animation.isRunning());
  for (std::size_t i = 1; i < frames.size(); ++i) EXPECT_GT(*frames[i], *frames[i - 1]);
  time.advanceBy(0.1);
  EXPECT_FALSE(animation.isRunning());
  EXPECT_EQ(frames.back(), std::nullopt);
  EXPECT_EQ(animation.position(), std::nullopt);
  // About 30 frames a second over 0.55 s, then the last one clears the car.
  EXPECT_GE(frames.size(), 16u);
  EXPECT_LE(frames.size(), 18u);
  auto count = frames.size();
  time.advanceBy(1);
  EXPECT_EQ(frames.size(), count);
}

TEST_F(RunAnimationTest, ARunDuringTheAnimationStartsItAgain) {
  animation.start(true);
  time.advanceBy(0.4);
  auto late = *animation.position();
  animation.start(true);
  time.advanceBy(0.04);
  EXPECT_LT(*animation.position(), late);
  time.advanceBy(0.5);
  EXPECT_TRUE(animation.isRunning());  // 0.54 s since the restart
  time.advanceBy(0.05);
  EXPECT_FALSE(animation.isRunning());
}

TEST_F(RunAnimationTest, ReduceMotionOrNoPermissionLeavesTheIconStill) {
  animation.start(false);
  time.advanceBy(1);
  EXPECT_TRUE(frames.empty());
  EXPECT_FALSE(animation.isRunning());
}

TEST(RunAnimationLifetime, DestroyingItStopsTheTimer) {
  platform::sim::VirtualTime time;
  int frames = 0;
  {
    RunAnimation animation(time, time, [&](std::optional<double>) { ++frames; });
    animation.start(true);
    time.advanceBy(0.1);
  }
  auto seen = frames;
  time.advanceBy(1);
  EXPECT_EQ(frames, seen);
}

}  // namespace
}  // namespace corvane::app

#include "app/status_item_click.hpp"

namespace corvane::app {
namespace {

using model::MenuBarClick;
using C = StatusItemClick;

TEST(StatusItemClick, OptionAlwaysOpensSettings) {
  for (auto mode : model::kAllMenuBarClicks)
    for (bool alternates : {false, true})
      EXPECT_EQ(statusItemClick({true, true, true}, mode, alternates), C::showSettings);
}

TEST(StatusItemClick, AlternateClicksSwapOnlyWhenAllowed) {
  StatusItemEvent left{};
  StatusItemEvent right{false, false, true};
  StatusItemEvent control{false, true, false};
  EXPECT_EQ(statusItemClick(left, MenuBarClick::showPanel, true), C::togglePanel);
  EXPECT_EQ(statusItemClick(left, MenuBarClick::toggle, true), C::toggleEnabled);
  EXPECT_EQ(statusItemClick(right, MenuBarClick::showPanel, true), C::toggleEnabled);
  EXPECT_EQ(statusItemClick(control, MenuBarClick::toggle, true), C::togglePanel);
  // Off: a right-click is a left click.
  EXPECT_EQ(statusItemClick(right, MenuBarClick::showPanel, false), C::togglePanel);
  EXPECT_EQ(statusItemClick(control, MenuBarClick::toggle, false), C::toggleEnabled);
}

TEST(StatusItemClick, ToggleNoticeTexts) {
  EXPECT_EQ(toggleNotice(true), "Excel shortcuts on");
  EXPECT_EQ(toggleNotice(false), "Excel shortcuts off");
}

}  // namespace
}  // namespace corvane::app
