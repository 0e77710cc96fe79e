#pragma once
// The update framework seen from the core: an updater that checks a feed, downloads and installs,
// and the user driver it calls back to show each step. On a Mac the framework's updater calls the
// driver; on Linux and in the simulator a scripted updater replays a feed through the same calls
// in the same order.

#include <cstdint>
#include <expected>
#include <functional>
#include <string>

namespace corvane::platform {

/// The framework's answer to a found or ready update; the values are its public constants.
enum class UpdateChoice { skip = 0, install = 1, dismiss = 2 };

/// The parts of an appcast item the program reads.
struct AppcastItem {
  std::string displayVersion;
  std::string descriptionHTML;  ///< may be empty
  friend bool operator==(const AppcastItem&, const AppcastItem&) = default;
};

/// Where the framework is with the update it offers.
struct UpdateState {
  enum class Stage { notDownloaded, downloaded, installing };
  Stage stage = Stage::notDownloaded;
  bool userInitiated = false;
  friend bool operator==(const UpdateState&, const UpdateState&) = default;
};

struct UpdatePermissionResponse {
  bool automaticUpdateChecks = false;
  bool sendSystemProfile = false;
  friend bool operator==(const UpdatePermissionResponse&, const UpdatePermissionResponse&) = default;
};

using UpdateReply = std::function<void(UpdateChoice)>;
using UpdateAcknowledgement = std::function<void()>;
using UpdateCancellation = std::function<void()>;

/// One virtual per callback of the framework's user driver, named after it. Called on the main
/// queue. Every reply, acknowledgement and cancellation is answered at most once.
class UpdateUserDriver {
 public:
  virtual ~UpdateUserDriver() = default;
  virtual void showUpdatePermissionRequest(std::function<void(UpdatePermissionResponse)> reply) = 0;
  virtual void showUserInitiatedUpdateCheck(UpdateCancellation cancellation) = 0;
  virtual void showUpdateFound(const AppcastItem& item, const UpdateState& state, UpdateReply reply) = 0;
  /// The downloaded release notes, as the bytes arrived.
  virtual void showUpdateReleaseNotes(const std::string& downloadData) = 0;
  virtual void showUpdateReleaseNotesFailedToDownload(const std::string& errorDescription) = 0;
  virtual void showUpdateNotFound(const std::string& errorDescription, UpdateAcknowledgement acknowledgement) = 0;
  virtual void showUpdaterError(const std::string& errorDescription, UpdateAcknowledgement acknowledgement) = 0;
  virtual void showDownloadInitiated(UpdateCancellation cancellation) = 0;
  virtual void showDownloadDidReceiveExpectedContentLength(std::uint64_t expectedContentLength) = 0;
  virtual void showDownloadDidReceiveDataOfLength(std::uint64_t length) = 0;
  virtual void showDownloadDidStartExtractingUpdate() = 0;
  virtual void showExtractionReceivedProgress(double progress) = 0;
  virtual void showReadyToInstallAndRelaunch(UpdateReply reply) = 0;
  virtual void showInstallingUpdate(bool applicationTerminated, std::function<void()> retryTerminatingApplication) = 0;
  virtual void showUpdateInstalledAndRelaunched(bool relaunched, UpdateAcknowledgement acknowledgement) = 0;
  virtual void showUpdateInFocus() = 0;
  virtual void dismissUpdateInstallation() = 0;
};

/// The framework's updater. Main queue only; built with the user driver it calls.
class Updater {
 public:
  virtual ~Updater() = default;
  /// Starts checking on the framework's schedule; the error is the reason it could not start.
  [[nodiscard]] virtual std::expected<void, std::string> start() = 0;
  /// A user-initiated check (it begins with showUserInitiatedUpdateCheck).
  virtual void checkForUpdates() = 0;
  [[nodiscard]] virtual bool automaticallyChecksForUpdates() const = 0;
  virtual void setAutomaticallyChecksForUpdates(bool on) = 0;
  [[nodiscard]] virtual bool automaticallyDownloadsUpdates() const = 0;
  virtual void setAutomaticallyDownloadsUpdates(bool on) = 0;
};

}  // namespace corvane::platform
