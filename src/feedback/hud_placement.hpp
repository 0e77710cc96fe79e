#pragma once
// Where the key-list panel goes: a pure function of the panel's size, the screens and Excel's
// window, like badge layout. Coordinates: screens and the result in AppKit's (origin bottom left of
// the menu-bar screen); Excel's window and the ribbon line as the window list gives them (origin
// top left).

#include <optional>
#include <vector>

#include "platform/geometry.hpp"
#include "platform/screens.hpp"

namespace corvane::feedback {

enum class HUDPlacement { belowRibbon, belowRibbonCentered, bottom };

struct HUDPlacementInput {
  platform::Size size;                           ///< the panel's fitting size
  std::vector<platform::ScreenInfo> screens;     ///< the first holds the menu bar
  std::optional<platform::ScreenInfo> pointerScreen;  ///< under the pointer, else the main screen
  std::optional<platform::Rect> underIcon;       ///< the status item's frame, for a notice under it
  std::optional<platform::Rect> window;          ///< Excel's window, top-left origin
  double ribbonLine = 0;                         ///< the ribbon's bottom edge, top-left origin
  HUDPlacement placement = HUDPlacement::bottom;
};

/// The panel's frame: under the status item when asked (kept 8 points inside its screen); else by
/// the placement against Excel's window, kept 8 points inside the visible frame of the screen
/// holding the window's centre (or the pointer's); without a window, centred low on the pointer's
/// screen.
[[nodiscard]] platform::Rect hudFrame(const HUDPlacementInput& in);

}  // namespace corvane::feedback
