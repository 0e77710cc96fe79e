#pragma once
// Observable facts about the running program, shown by the settings pages, the menu-bar panel and
// the welcome flow. Assigned by the shell on the main thread; not persisted here.

#include <string>
#include <vector>

#include "base/observable.hpp"

namespace corvane::base {

struct AppStatus {
  Published<bool> trusted{false};
  Published<bool> tapRunning{false};
  Published<bool> launchAtLogin{false};
  Published<int> shortcutCount{0};
  Published<std::vector<std::string>> warnings{};
  Published<bool> excelRunning{false};
  Published<int> learnedCount{0};
  /// Excel's own KeyTips were ever seen answering ⌥ (kept in the defaults by the shell).
  Published<bool> excelKeyTipsSeen{false};
};

}  // namespace corvane::base
