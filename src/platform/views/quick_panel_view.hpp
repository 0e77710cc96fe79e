#pragma once
// What the menu-bar panel draws: the header with the status line, switches and command rows.
// Built by the panel's controller; backends draw it and send back toggles (`id` = the setting's
// key) and pressed rows (`id` = the row's command).

#include <optional>
#include <string>
#include <vector>

#include "platform/views/view.hpp"

namespace corvane::platform::views {

/// The colour of the panel's status line.
enum class PanelTone { ok, warn, bad };

struct QuickPanelItem {
  enum class Kind { toggle, row };
  Kind kind = Kind::row;
  std::string id;      ///< toggle: the setting's key; row: the command's name
  std::string title;
  std::string symbol;  ///< a system symbol name, may be empty
  bool on = false;     ///< toggle
  std::optional<int> number;           ///< row: its place in keyboard navigation; never drawn
  std::optional<std::string> keyHint;  ///< row: "⌥⌥"
  std::optional<std::string> detail;   ///< row: a count shown at its end
  bool selected = false;               ///< row: the keyboard selection
  friend bool operator==(const QuickPanelItem&, const QuickPanelItem&) = default;
};

struct QuickPanelView : View {
  double width = 300;
  std::string appName = "Corvane";
  std::string statusText;
  PanelTone tone = PanelTone::ok;
  QuickPanelItem mainSwitch;           ///< "Excel shortcuts" in the header
  std::vector<QuickPanelItem> items;   ///< top to bottom, below the header
  friend bool operator==(const QuickPanelView&, const QuickPanelView&) = default;
};

}  // namespace corvane::platform::views
