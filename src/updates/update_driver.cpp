#include "updates/update_driver.hpp"

#include <memory>
#include <utility>

#include "updates/release_notes.hpp"

namespace corvane::updates {
namespace {

/// The framework's replies may be answered only once; the buttons of a stage share one answer.
class OneReply {
 public:
  explicit OneReply(platform::UpdateReply reply) : reply_(std::make_shared<platform::UpdateReply>(std::move(reply))) {}
  [[nodiscard]] std::function<void()> answer(platform::UpdateChoice choice, std::function<void()> then = {}) const {
    return [reply = reply_, choice, then = std::move(then)] {
      if (!*reply) return;
      auto r = std::exchange(*reply, nullptr);
      r(choice);
      if (then) then();
    };
  }

 private:
  std::shared_ptr<platform::UpdateReply> reply_;
};

std::function<void()> callOnce(std::function<void()> f) {
  auto shared = std::make_shared<std::function<void()>>(std::move(f));
  return [shared] {
    if (auto g = std::exchange(*shared, nullptr)) g();
  };
}

}  // namespace

UpdateDriver::UpdateDriver(UpdateModel& model, UpdateWindowControl window, std::function<void(const std::string&)> log)
    : model_(model), window_(std::move(window)), log_(std::move(log)) {}

void UpdateDriver::showWindow() {
  if (window_.show) window_.show();
}

void UpdateDriver::closeWindow() {
  if (window_.close) window_.close();
}

void UpdateDriver::showUpdatePermissionRequest(std::function<void(platform::UpdatePermissionResponse)> reply) {
  if (reply) reply(platform::UpdatePermissionResponse{true, false});
}

void UpdateDriver::showUserInitiatedUpdateCheck(platform::UpdateCancellation cancellation) {
  model_.cancel = callOnce(std::move(cancellation));
  model_.stage.set(stage::Checking{});
  showWindow();
}

std::function<void()> UpdateDriver::deferTo(const std::string& version, platform::UpdateChoice choice) {
  return [this, version, choice] {
    deferred_ = Deferred{version, choice};
    if (resume_) resume_();
  };
}

void UpdateDriver::showUpdateFound(const platform::AppcastItem& item, const platform::UpdateState&,
                                   platform::UpdateReply reply) {
  OneReply once(std::move(reply));
  auto close = [this] { closeWindow(); };
  const auto& version = item.displayVersion;
  auto deferred = std::exchange(deferred_, std::nullopt);
  model_.install = once.answer(platform::UpdateChoice::install);
  model_.skip = once.answer(platform::UpdateChoice::skip, close);
  model_.later = [this, version, answer = once.answer(platform::UpdateChoice::dismiss, close)] {
    answer();
    model_.install = deferTo(version, platform::UpdateChoice::install);
    model_.skip = deferTo(version, platform::UpdateChoice::skip);
    model_.later = [this] { closeWindow(); };
  };
  model_.waitingVersion.set(version);
  model_.stage.set(stage::Found{version, parseReleaseNotes(item.descriptionHTML)});
  if (deferred && deferred->version == version) {
    // The user already chose on the reopened window; the new offer gets that answer.
    switch (deferred->choice) {
      case platform::UpdateChoice::install: return model_.perform(platform::views::UpdateAction::install);
      case platform::UpdateChoice::skip: return model_.perform(platform::views::UpdateAction::skip);
      case platform::UpdateChoice::dismiss: return model_.perform(platform::views::UpdateAction::later);
    }
  }
  showWindow();
}

void UpdateDriver::showUpdateReleaseNotes(const std::string& downloadData) {
  const auto& current = model_.stage.get();
  if (!current || !std::holds_alternative<stage::Found>(*current)) return;
  auto found = std::get<stage::Found>(*current);
  found.notes = parseReleaseNotes(downloadData);
  model_.stage.set(std::move(found));
}

void UpdateDriver::showUpdateReleaseNotesFailedToDownload(const std::string&) {}

void UpdateDriver::showUpdateNotFound(const std::string&, platform::UpdateAcknowledgement acknowledgement) {
  model_.acknowledge = callOnce(std::move(acknowledgement));
  model_.stage.set(stage::UpToDate{});
  showWindow();
}

void UpdateDriver::showUpdaterError(const std::string& errorDescription,
                                    platform::UpdateAcknowledgement acknowledgement) {
  if (log_) log_("Update error: " + errorDescription);
  model_.acknowledge = callOnce(std::move(acknowledgement));
  bool whileChecking = model_.is<stage::Checking>();
  model_.stage.set(stage::Failed{errorDescription, whileChecking});
  showWindow();
}

void UpdateDriver::showDownloadInitiated(platform::UpdateCancellation cancellation) {
  expected_ = 0;
  received_ = 0;
  model_.waitingVersion.set(std::nullopt);
  model_.cancel = callOnce(std::move(cancellation));
  model_.stage.set(stage::Downloading{0, 0});
  showWindow();
}

void UpdateDriver::showDownloadDidReceiveExpectedContentLength(std::uint64_t expectedContentLength) {
  expected_ = expectedContentLength;
  model_.stage.set(stage::Downloading{received_, expected_});
}

void UpdateDriver::showDownloadDidReceiveDataOfLength(std::uint64_t length) {
  received_ += length;
  model_.stage.set(stage::Downloading{received_, expected_});
}

void UpdateDriver::showDownloadDidStartExtractingUpdate() { model_.stage.set(stage::Preparing{}); }

void UpdateDriver::showExtractionReceivedProgress(double) {}

void UpdateDriver::showReadyToInstallAndRelaunch(platform::UpdateReply reply) {
  OneReply once(std::move(reply));
  auto close = [this] { closeWindow(); };
  model_.relaunch = once.answer(platform::UpdateChoice::install);
  model_.installOnQuit = once.answer(platform::UpdateChoice::dismiss, close);
  model_.skip = once.answer(platform::UpdateChoice::skip, close);
  model_.stage.set(stage::Ready{});
  showWindow();
}

void UpdateDriver::showInstallingUpdate(bool, std::function<void()>) { model_.stage.set(stage::Installing{}); }

void UpdateDriver::showUpdateInstalledAndRelaunched(bool, platform::UpdateAcknowledgement acknowledgement) {
  if (acknowledgement) acknowledgement();
}

void UpdateDriver::showUpdateInFocus() { showWindow(); }

void UpdateDriver::dismissUpdateInstallation() {
  // A found update the user put off stays reachable through "Check for Updates…".
  if (model_.isFound() && model_.waitingVersion.get().has_value()) return;
  closeWindow();
}

}  // namespace corvane::updates
