#pragma once
// What the status line, the status icon and the menu-bar panel's tone say about the listener.
// Pure values and functions; any thread.

#include <optional>
#include <string>

namespace corvane::app {

/// The facts the status texts are chosen from, read by the shell when it refreshes its status.
struct ListenerFacts {
  bool trusted = false;     ///< the accessibility permission is present
  bool tapExists = false;   ///< a keyboard tap was created
  bool tapEnabled = false;  ///< and is enabled
  bool enabled = true;      ///< the `enabled` setting
  friend bool operator==(const ListenerFacts&, const ListenerFacts&) = default;
};

struct StatusLine {
  std::string text;
  bool ok = false;
  friend bool operator==(const StatusLine&, const StatusLine&) = default;
};

/// The status line: first matching of no permission, no running tap, on, off.
[[nodiscard]] StatusLine statusLine(const ListenerFacts& facts);

/// How the status item is drawn.
struct StatusIconState {
  enum class Symbol {
    logo,     ///< the program's logo, an 18 × 18-point template image
    warning,  ///< the system symbol "exclamationmark.triangle"
  };
  Symbol symbol = Symbol::logo;
  /// The system symbol's name for `warning`, empty for the logo.
  std::string systemSymbolName;
  bool listening = false;     ///< the sequence-in-progress variant of the logo
  std::optional<double> car;  ///< the run animation's position 0…1 across the logo
  bool disabledLook = false;  ///< drawn disabled (`enabled` off with `dimIconWhenOff` on)
  double pointSize = 18;
  bool templateImage = true;
  std::string accessibilityDescription = "Corvane";
  std::string toolTip;  ///< the status line's text
  friend bool operator==(const StatusIconState&, const StatusIconState&) = default;
};

[[nodiscard]] StatusIconState statusIcon(const ListenerFacts& facts, bool iconListening, std::optional<double> iconCar,
                                         bool dimIconWhenOff);

}  // namespace corvane::app
