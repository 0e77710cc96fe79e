#include "feedback/hud_placement.hpp"

#include <algorithm>

namespace corvane::feedback {
namespace {

constexpr double kScreenMargin = 8;       // kept free at a screen's edges
constexpr double kBelowIcon = 6;          // gap under the status item
constexpr double kBelowRibbon = 8;        // gap under the ribbon, list at the window's left
constexpr double kBelowRibbonCentred = 10;
constexpr double kWindowLeftInset = 14;
constexpr double kAboveWindowBottom = 64;
constexpr double kAboveScreenBottom = 40;  // without a window

}  // namespace

platform::Rect hudFrame(const HUDPlacementInput& in) {
  const double w = in.size.width;
  const double h = in.size.height;
  if (in.underIcon) {
    for (const auto& s : in.screens) {
      if (!s.frame.intersects(*in.underIcon)) continue;
      double x = std::min(std::max(in.underIcon->midX() - w / 2, s.frame.minX() + kScreenMargin),
                          s.frame.maxX() - w - kScreenMargin);
      return {x, in.underIcon->minY() - kBelowIcon - h, w, h};
    }
  }
  if (!in.window) {
    if (!in.pointerScreen) return {0, 0, w, h};
    const auto& v = in.pointerScreen->visibleFrame;
    return {v.midX() - w / 2, v.minY() + kAboveScreenBottom, w, h};
  }
  const auto& window = *in.window;
  // The window list's y runs down from the top of the menu-bar screen; AppKit's runs up.
  const double top = in.screens.empty() ? 0 : in.screens.front().frame.maxY();
  double x = 0;
  double y = 0;
  switch (in.placement) {
    case HUDPlacement::belowRibbon:
      x = window.minX() + kWindowLeftInset;
      y = top - in.ribbonLine - kBelowRibbon - h;
      break;
    case HUDPlacement::belowRibbonCentered:
      x = window.midX() - w / 2;
      y = top - in.ribbonLine - kBelowRibbonCentred - h;
      break;
    case HUDPlacement::bottom:
      x = window.midX() - w / 2;
      y = (top - window.maxY()) + kAboveWindowBottom;
      break;
  }
  platform::Point centre{window.midX(), top - window.midY()};
  std::optional<platform::ScreenInfo> screen;
  for (const auto& s : in.screens) {
    if (s.frame.contains(centre)) {
      screen = s;
      break;
    }
  }
  if (!screen) screen = in.pointerScreen;
  if (screen) {
    const auto& v = screen->visibleFrame;
    x = std::min(std::max(x, v.minX() + kScreenMargin), v.maxX() - w - kScreenMargin);
    y = std::min(std::max(y, v.minY() + kScreenMargin), v.maxY() - h - kScreenMargin);
  }
  return {x, y, w, h};
}

}  // namespace corvane::feedback
