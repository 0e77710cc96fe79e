#pragma once
// The program's own user driver: turns each callback of the update framework into a stage of the
// update model and the callbacks its buttons call. Main thread only; the shell owns it for the life
// of the process, with the model it changes.

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "platform/updater.hpp"
#include "updates/update_model.hpp"

namespace corvane::updates {

/// The "Software Update" window as the driver uses it; the shell creates the window on first use.
struct UpdateWindowControl {
  std::function<void()> show;   ///< create if needed, centre when hidden, bring to front, make key
  std::function<void()> close;
};

class UpdateDriver final : public platform::UpdateUserDriver {
 public:
  UpdateDriver(UpdateModel& model, UpdateWindowControl window, std::function<void(const std::string&)> log);

  void showUpdatePermissionRequest(std::function<void(platform::UpdatePermissionResponse)> reply) override;
  void showUserInitiatedUpdateCheck(platform::UpdateCancellation cancellation) override;
  void showUpdateFound(const platform::AppcastItem& item, const platform::UpdateState& state,
                       platform::UpdateReply reply) override;
  void showUpdateReleaseNotes(const std::string& downloadData) override;
  void showUpdateReleaseNotesFailedToDownload(const std::string& errorDescription) override;
  void showUpdateNotFound(const std::string& errorDescription, platform::UpdateAcknowledgement acknowledgement) override;
  void showUpdaterError(const std::string& errorDescription, platform::UpdateAcknowledgement acknowledgement) override;
  void showDownloadInitiated(platform::UpdateCancellation cancellation) override;
  void showDownloadDidReceiveExpectedContentLength(std::uint64_t expectedContentLength) override;
  void showDownloadDidReceiveDataOfLength(std::uint64_t length) override;
  void showDownloadDidStartExtractingUpdate() override;
  void showExtractionReceivedProgress(double progress) override;
  void showReadyToInstallAndRelaunch(platform::UpdateReply reply) override;
  void showInstallingUpdate(bool applicationTerminated, std::function<void()> retryTerminatingApplication) override;
  void showUpdateInstalledAndRelaunched(bool relaunched, platform::UpdateAcknowledgement acknowledgement) override;
  void showUpdateInFocus() override;
  void dismissUpdateInstallation() override;

  [[nodiscard]] std::uint64_t expected() const { return expected_; }
  [[nodiscard]] std::uint64_t received() const { return received_; }
  /// Shows the window (the shell's check command reopens a found update with it).
  void showWindow();
  /// How to ask the framework for the put-off update again: its offer was answered "later", so
  /// "Install Update" or "Skip This Version" on the reopened window check again and give the
  /// chosen answer to the same version's new offer.
  void setResume(std::function<void()> resume) { resume_ = std::move(resume); }

 private:
  struct Deferred {
    std::string version;
    platform::UpdateChoice choice;
  };
  void closeWindow();
  [[nodiscard]] std::function<void()> deferTo(const std::string& version, platform::UpdateChoice choice);

  UpdateModel& model_;
  UpdateWindowControl window_;
  std::function<void(const std::string&)> log_;
  std::uint64_t expected_ = 0;
  std::uint64_t received_ = 0;
  std::function<void()> resume_;
  std::optional<Deferred> deferred_;
};

}  // namespace corvane::updates
