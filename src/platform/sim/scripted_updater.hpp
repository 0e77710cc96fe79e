#pragma once
// An updater for Linux and the simulator: each check replays a scripted feed through the user
// driver, making the same calls in the same order as the update framework does on a Mac, with the
// script's delays in virtual time. Main queue only; the driver and the scheduler must outlive it.

#include <cstdint>
#include <expected>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/scheduler.hpp"
#include "platform/updater.hpp"

namespace corvane::platform::sim {

/// One event of a feed, after `delay` seconds of virtual time.
struct ScriptedFeedStep {
  enum class Kind {
    found,               ///< `item` is offered
    releaseNotes,        ///< `text` is the downloaded release notes
    releaseNotesFailed,  ///< `text` is the error's description
    notFound,
    error,           ///< `text` is the error's description
    expectedLength,  ///< `length` bytes will arrive
    data,            ///< `length` more bytes arrived
    extracting,
    extractionProgress,  ///< `progress` in 0…1
    ready,
  };
  Kind kind = Kind::notFound;
  double delay = 0;
  AppcastItem item;
  std::string text;
  std::uint64_t length = 0;
  double progress = 0;
};

/// A check's script: up to found, notFound or error; after found, optional release notes, then the
/// download (expected length, data, extracting, extraction progress) ending in ready or error.
struct ScriptedFeed {
  std::vector<ScriptedFeedStep> steps;
  /// Ask the user once, at start, whether to check automatically.
  bool askPermission = false;
  /// Seconds between scheduled checks while automatic checks are on.
  double checkInterval = 86400;
  /// Seconds from "install and relaunch" to the relaunched program's acknowledgement.
  double installDelay = 1.0;
  bool automaticallyChecks = true;
  bool automaticallyDownloads = false;
};

/// Why a feed cannot be replayed, or none.
[[nodiscard]] std::optional<std::string> validate(const ScriptedFeed& feed);

/// Reads a feed from JSON: {"askPermission", "checkInterval", "installDelay", "automaticallyChecks",
/// "automaticallyDownloads", "steps": [{"after": s, "found": {"version", "description"}} |
/// {"releaseNotes": html} | {"releaseNotesFailed": text} | {"notFound": true} | {"error": text} |
/// {"expectedLength": n} | {"data": n, "times": k} | {"extracting": true} |
/// {"extractionProgress": p} | {"ready": true}]}.
[[nodiscard]] std::expected<ScriptedFeed, std::string> parseScriptedFeed(std::string_view json);

class ScriptedUpdater final : public Updater {
 public:
  ScriptedUpdater(Scheduler& scheduler, UpdateUserDriver& driver, ScriptedFeed feed);
  ~ScriptedUpdater() override;
  ScriptedUpdater(const ScriptedUpdater&) = delete;
  ScriptedUpdater& operator=(const ScriptedUpdater&) = delete;

  [[nodiscard]] std::expected<void, std::string> start() override;
  void checkForUpdates() override;
  [[nodiscard]] bool automaticallyChecksForUpdates() const override;
  void setAutomaticallyChecksForUpdates(bool on) override;
  [[nodiscard]] bool automaticallyDownloadsUpdates() const override;
  void setAutomaticallyDownloadsUpdates(bool on) override;

  /// A scheduled (not user-initiated) check, as the framework's timer makes it.
  void checkInBackground();
  /// An update session (a check and what follows from it) is under way.
  [[nodiscard]] bool sessionActive() const;
  /// The user chose to install the ready update when the program quits.
  [[nodiscard]] bool installsOnQuit() const;
  /// The version the user chose to skip, if any; checks treat it as no update.
  [[nodiscard]] const std::optional<std::string>& skippedVersion() const;

 private:
  struct State;
  std::shared_ptr<State> state_;
};

}  // namespace corvane::platform::sim
