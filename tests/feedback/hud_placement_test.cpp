#include "feedback/hud_placement.hpp"

#include <gtest/gtest.h>

namespace corvane::feedback {
namespace {

using platform::Rect;
using platform::ScreenInfo;

// A 1440 × 900 menu-bar screen (menu bar 25, Dock 60) and a second one to its left, lower down.
const ScreenInfo kMain{1, {0, 0, 1440, 900}, {0, 60, 1440, 815}, 2};
const ScreenInfo kLeft{2, {-1920, -180, 1920, 1080}, {-1920, -180, 1920, 1055}, 1};

HUDPlacementInput input(HUDPlacement placement = HUDPlacement::belowRibbon) {
  HUDPlacementInput in;
  in.size = {300, 200};
  in.screens = {kMain, kLeft};
  in.pointerScreen = kMain;
  in.placement = placement;
  return in;
}

TEST(HUDPlacement, AgainstExcelsWindowByPlacement) {
  auto in = input();
  in.window = Rect{100, 50, 1000, 700};  // top-left origin: the window's top is 50 below the screen's
  in.ribbonLine = 200;
  EXPECT_EQ(hudFrame(in), (Rect{114, 900 - 200 - 8 - 200, 300, 200}));
  in.placement = HUDPlacement::belowRibbonCentered;
  EXPECT_EQ(hudFrame(in), (Rect{600 - 150, 900 - 200 - 10 - 200, 300, 200}));
  in.placement = HUDPlacement::bottom;
  EXPECT_EQ(hudFrame(in), (Rect{450, 900 - 750 + 64, 300, 200}));
}

TEST(HUDPlacement, KeptInsideTheVisibleFrameOfTheWindowsScreen) {
  // A window hanging off the right and the bottom: the panel stays 8 points inside, above the Dock.
  auto in = input(HUDPlacement::bottom);
  in.window = Rect{1300, 700, 800, 400};
  auto frame = hudFrame(in);
  EXPECT_EQ(frame.x, 1440 - 300 - 8);
  EXPECT_EQ(frame.y, 60 + 8);
  // A ribbon line above the screen's top (a window dragged up): below the menu bar.
  in = input();
  in.window = Rect{100, 0, 1000, 700};
  in.ribbonLine = -400;
  EXPECT_EQ(hudFrame(in).maxY(), 60 + 815 - 8);
}

TEST(HUDPlacement, OnTheSecondScreenWhenTheWindowIsThere) {
  // The left screen, in top-left coordinates, spans y from 900 - 900 = 0 … and x −1920 … 0.
  auto in = input(HUDPlacement::bottom);
  in.window = Rect{-1800, 100, 1000, 700};
  auto frame = hudFrame(in);
  EXPECT_EQ(frame.x, -1300 - 150);
  EXPECT_EQ(frame.y, 900 - 800 + 64);
  EXPECT_TRUE(kLeft.visibleFrame.contains({frame.x, frame.y}));
}

TEST(HUDPlacement, AWindowOffEveryScreenUsesThePointersScreen) {
  auto in = input(HUDPlacement::bottom);
  in.window = Rect{5000, 5000, 800, 600};
  auto frame = hudFrame(in);
  EXPECT_EQ(frame.x, 1440 - 300 - 8);
  EXPECT_EQ(frame.y, 60 + 8);
}

TEST(HUDPlacement, WithoutAWindowCentredLowOnThePointersScreen) {
  auto in = input();
  EXPECT_EQ(hudFrame(in), (Rect{720 - 150, 60 + 40, 300, 200}));
  in.pointerScreen = kLeft;
  EXPECT_EQ(hudFrame(in), (Rect{-960 - 150, -180 + 40, 300, 200}));
  // No screen at all (every display asleep): at the origin, never a crash.
  in.screens.clear();
  in.pointerScreen.reset();
  EXPECT_EQ(hudFrame(in), (Rect{0, 0, 300, 200}));
}

TEST(HUDPlacement, UnderTheStatusItemWithinItsScreen) {
  auto in = input();
  in.window = Rect{100, 50, 1000, 700};  // ignored: the notice belongs to the icon
  in.underIcon = Rect{1000, 875, 24, 25};
  EXPECT_EQ(hudFrame(in), (Rect{1012 - 150, 875 - 6 - 200, 300, 200}));
  // An icon at the screen's right edge: the panel stops 8 points short of it.
  in.underIcon = Rect{1420, 875, 20, 25};
  EXPECT_EQ(hudFrame(in).maxX(), 1440 - 8);
  // An icon on no screen (the menu bar went with a display): placed as if there were no icon.
  in.underIcon = Rect{9000, 9000, 20, 25};
  in.ribbonLine = 200;
  EXPECT_EQ(hudFrame(in).x, 114);
}

}  // namespace
}  // namespace corvane::feedback
