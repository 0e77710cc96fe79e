#pragma once
// What the simulated Excel did, in the order it happened: commands it ran, keystrokes it received,
// tabs, menus and dialogs that came and went. Plain values.

#include <cstddef>
#include <cstdint>
#include <string>

namespace corvane::platform::sim {

struct ExcelEvent {
  enum class Kind {
    ran,
    key,
    tabSelected,
    menuOpened,
    menuClosed,
    dialogOpened,
    dialogClosed,
    focused,
    launched,
    quit,
    ribbonCollapsed,
    ribbonShown,
    keyTipsShown,
    keyTipsHidden,
    keyTip,
  };
  Kind kind = Kind::ran;
  /// ran: the command; tabSelected: the tab; menus: what opened them; dialogs: their names;
  /// focused: the box; launched, quit: the application; keyTipsShown: the tab whose commands' KeyTips
  /// show, empty for the tabs'; keyTip: the letters typed so far.
  std::string label;
  /// ran, focused: where the control sits, its path of names ("Home › Cells › Format › AutoFit Column Width").
  std::string control;
  std::string role;           ///< ran, focused: the control's role
  std::uint16_t keyCode = 0;  ///< key
  std::uint64_t flags = 0;    ///< key: the event's modifier flags
  std::size_t count = 0;      ///< keyTipsShown: how many badges show
  std::string typed;          ///< keyTipsShown: the letters typed towards a longer KeyTip
  double at = 0;              ///< virtual uptime

  friend bool operator==(const ExcelEvent&, const ExcelEvent&) = default;
};

/// One line: "ran AutoFit Column Width", "key 37 flags 0x100000", "tab Home", "menu opened Format",
/// "menu closed Format", "dialog opened Format Cells", "dialog closed Format Cells", "focused Font Size",
/// "launched Microsoft Excel", "quit Microsoft Excel", "ribbon collapsed", "ribbon shown",
/// "key tips shown for the tabs (8)", "key tips shown for Home (44)", "key tips shown for Home after F
/// (11)", "key tip H", "key tips hidden".
[[nodiscard]] std::string describe(const ExcelEvent& event);

}  // namespace corvane::platform::sim
