#pragma once
// Frames for the elements a fixture leaves without one, laid out the way Excel for Mac arranges them:
// the title bar, the tab row, the ribbon's groups (large buttons spanning the ribbon, small ones in
// three rows, the dialog-launcher corner), menus, the menu bar and dialogs. Elements with a frame of
// their own keep it. Called under SimExcel's lock.

#include <string_view>

#include "platform/sim/sim_node.hpp"

namespace corvane::platform::sim::layout {

inline constexpr double kMenuBarHeight = 25;
inline constexpr double kTitleBarHeight = 28;
inline constexpr double kTabRowHeight = 24;
inline constexpr double kRibbonHeight = 92;  ///< the commands area below the tabs
inline constexpr double kMenuItemHeight = 22;

/// A rough text width: characters (not bytes) times `perCharacter`.
[[nodiscard]] double textWidth(std::string_view text, double perCharacter);

/// Lays out the window's children and their descendants inside the window's frame.
void layoutWindow(SimNode& window);

/// Lays out a ribbon group's controls from `x`, in a ribbon area whose top is `areaTop`; sets the
/// group's frame and returns its width.
double layoutGroup(SimNode& group, double x, double areaTop);

/// Lays out a menu (its items, and the submenus of menu-bar items) with its top left at `topLeft`.
void layoutMenu(SimNode& menu, Point topLeft);

/// Lays out the menu bar across the top of a screen this wide, with every menu below its item.
void layoutMenuBar(SimNode& menuBar, double screenWidth);

/// Lays out a dialog's controls inside `frame`.
void layoutDialog(SimNode& dialog, Rect frame);

}  // namespace corvane::platform::sim::layout
