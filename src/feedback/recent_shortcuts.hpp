#pragma once
// The recently run shortcuts the palette lists for an empty query: key-path texts, most recent
// first, six at most, kept in the defaults under "recentShortcuts".

#include <string>
#include <vector>

#include "platform/defaults.hpp"

namespace corvane::feedback {

inline constexpr const char* kRecentShortcutsKey = "recentShortcuts";
inline constexpr std::size_t kRecentShortcutsLimit = 6;

/// The list with `keyPathText` moved to the front (an earlier occurrence removed), cut to six.
[[nodiscard]] std::vector<std::string> withRecentShortcut(std::vector<std::string> list, const std::string& keyPathText);

/// Records a run in the defaults (main thread; the shell calls it for every run it reports).
void recordRecentShortcut(platform::Defaults& defaults, const std::vector<std::string>& keys);

/// The stored list, or empty.
[[nodiscard]] std::vector<std::string> recentShortcuts(const platform::Defaults& defaults);

}  // namespace corvane::feedback
