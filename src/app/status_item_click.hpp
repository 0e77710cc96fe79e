#pragma once
// What a click on the menu-bar icon does, from the click's modifiers and the two settings, and the
// notice a toggle shows. Pure functions.

#include <string>

#include "model/settings.hpp"

namespace corvane::app {

enum class StatusItemClick {
  showSettings,   ///< Option held
  toggleEnabled,  ///< switch the shortcuts on or off
  togglePanel,    ///< open or close the menu-bar panel
};

struct StatusItemEvent {
  bool optionHeld = false;
  bool controlHeld = false;
  bool rightMouseUp = false;
};

/// Option always opens the settings; a right-click or Control-click does the opposite of a click
/// only while `rightClickAlternates` is on, else it counts as a click.
[[nodiscard]] StatusItemClick statusItemClick(const StatusItemEvent& event, model::MenuBarClick menuBarClick,
                                              bool rightClickAlternates);

/// "Excel shortcuts on" / "Excel shortcuts off", shown under the icon after a toggle.
[[nodiscard]] std::string toggleNotice(bool enabled);
inline constexpr double kToggleNoticeSeconds = 1.4;

}  // namespace corvane::app
