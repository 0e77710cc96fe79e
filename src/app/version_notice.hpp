#pragma once
// The notice shown once after the program was updated: the defaults remember the version of the
// previous run. Main thread (it reads and writes the defaults store).

#include <optional>
#include <string>
#include <vector>

#include "platform/defaults.hpp"
#include "platform/views/view.hpp"

namespace corvane::app {

struct VersionNotice {
  static constexpr double kDelay = 2.0;    ///< after start-up, on the main queue
  static constexpr double kSeconds = 10.0; ///< how long it stays
  static constexpr const char* kActionId = "openChangeLog";
  std::string message;             ///< "Corvane 2.1 is installed"
  std::vector<std::string> lines;  ///< "See what's changed in this version.", "Updated from 2.0"
  platform::views::Button action{kActionId, "See What's New"};
  friend bool operator==(const VersionNotice&, const VersionNotice&) = default;
};

/// The notice for a change from `previous` to `current`; none on a first run or the same version.
[[nodiscard]] std::optional<VersionNotice> versionNotice(const std::optional<std::string>& previous,
                                                         const std::string& current);

/// Reads the previous run's version from `lastRunVersion`, stores `current` in its place and returns
/// the notice to show, if any.
[[nodiscard]] std::optional<VersionNotice> recordRunVersion(platform::Defaults& defaults, const std::string& current);

}  // namespace corvane::app
