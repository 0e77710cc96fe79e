#include "feedback/recent_shortcuts.hpp"

#include <algorithm>

#include "model/grammar.hpp"

namespace corvane::feedback {

std::vector<std::string> withRecentShortcut(std::vector<std::string> list, const std::string& keyPathText) {
  std::erase(list, keyPathText);
  list.insert(list.begin(), keyPathText);
  if (list.size() > kRecentShortcutsLimit) list.resize(kRecentShortcutsLimit);
  return list;
}

void recordRecentShortcut(platform::Defaults& defaults, const std::vector<std::string>& keys) {
  if (keys.empty()) return;
  defaults.set(kRecentShortcutsKey, withRecentShortcut(recentShortcuts(defaults), model::keyPathText(keys)));
}

std::vector<std::string> recentShortcuts(const platform::Defaults& defaults) {
  return defaults.getStringList(kRecentShortcutsKey).value_or(std::vector<std::string>{});
}

}  // namespace corvane::feedback
