#include "updates/update_flow.hpp"

#include <utility>

namespace corvane::updates {

UpdateFlow::UpdateFlow(UpdateModel& model, UpdateDriver& driver,
                       std::function<void(const std::string&, double)> notice,
                       std::function<void(const std::string&)> log)
    : model_(model), driver_(driver), notice_(std::move(notice)), log_(std::move(log)) {}

void UpdateFlow::start(std::shared_ptr<platform::Updater> updater) {
  if (!updater) return;
  if (auto started = updater->start(); !started) {
    if (log_) log_("Updater didn't start: " + started.error());
    return;
  }
  updater_ = std::move(updater);
  model_.autoCheck.set(updater_->automaticallyChecksForUpdates());
  model_.autoInstall.set(updater_->automaticallyDownloadsUpdates());
  std::weak_ptr<platform::Updater> weak = updater_;
  model_.onAutoCheck = [weak](bool on) {
    if (auto u = weak.lock()) u->setAutomaticallyChecksForUpdates(on);
  };
  model_.onAutoInstall = [weak](bool on) {
    if (auto u = weak.lock()) u->setAutomaticallyDownloadsUpdates(on);
  };
  driver_.setResume([weak] {
    if (auto u = weak.lock()) u->checkForUpdates();
  });
}

void UpdateFlow::checkForUpdates() {
  if (model_.waitingVersion.get().has_value() && model_.isFound()) {
    driver_.showWindow();
    return;
  }
  if (updater_) {
    updater_->checkForUpdates();
    return;
  }
  if (notice_) notice_("This copy of Corvane can't check for updates.", 3.0);
}

}  // namespace corvane::updates
