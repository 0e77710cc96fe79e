#pragma once
// What the menu-bar panel shows: the status, the problem rows, and the numbered command rows that
// the keyboard moves through. A plain value the controller owns and redraws after each change;
// main thread only.

#include <functional>
#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "app/status_line.hpp"
#include "platform/views/quick_panel_view.hpp"

namespace corvane::app {

using PanelTone = platform::views::PanelTone;

/// The panel's commands, in the order of `QuickPanelActions`.
enum class QuickPanelCommand {
  search,
  showShortcutList,
  showMyShortcuts,
  showSettings,
  checkForUpdates,
  sendFeedback,
  reportProblem,
  allowAccess,
  restartListener,
  quit,
};

/// The command's name as rows send it back ("showSettings").
[[nodiscard]] std::string_view commandName(QuickPanelCommand command);
[[nodiscard]] std::optional<QuickPanelCommand> commandNamed(std::string_view name);

/// What the shell does for each command (start-up wires them).
struct QuickPanelActions {
  std::function<void()> search;
  std::function<void()> showShortcutList;
  std::function<void()> showMyShortcuts;
  std::function<void()> showSettings;
  std::function<void()> checkForUpdates;
  std::function<void()> sendFeedback;
  std::function<void()> reportProblem;
  std::function<void()> allowAccess;
  std::function<void()> restartListener;
  std::function<void()> quit;

  /// The callback of a command (empty when not wired).
  [[nodiscard]] std::function<void()> of(QuickPanelCommand command) const;
};

/// What the shell knows when the panel is about to open.
struct QuickPanelFacts {
  ListenerFacts listener;
  int myShortcutCount = 0;                   ///< as the My Shortcuts editor lists them
  std::optional<std::string> updateVersion;  ///< an update downloaded and waiting
};

struct QuickPanelModel {
  std::string statusText;
  PanelTone tone = PanelTone::ok;
  bool needsAccess = false;
  bool listenerStopped = false;
  int myShortcutCount = 0;
  std::optional<std::string> updateVersion;
  std::optional<int> selected;
  std::map<int, QuickPanelCommand> rows;

  /// Fills every field from the facts and numbers the rows in display order; the selection is kept.
  void refresh(const QuickPanelFacts& facts);
  /// Moves the keyboard selection by +1 or −1, stopping at the ends (no wrap-around).
  void moveSelection(int delta);
};

/// The tone of the status line: bad without the permission or a tap, else ok only when ready.
[[nodiscard]] PanelTone panelTone(const ListenerFacts& facts);

}  // namespace corvane::app
