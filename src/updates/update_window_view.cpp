#include "updates/update_window_view.hpp"

#include <algorithm>
#include <cstdio>

namespace corvane::updates {
namespace {

using platform::views::UpdateAction;
using platform::views::UpdateButton;
using platform::views::UpdateCheckBox;
using platform::views::UpdateProgress;
using platform::views::UpdateView;

UpdateProgress indeterminate() { return UpdateProgress{UpdateProgress::Kind::indeterminate, 0, ""}; }

struct Texts {
  const UpdateModel& model;
  const std::string& current;
  UpdateView& view;

  void operator()(const stage::Found& s) const {
    const std::string product = kProductName;
    view.title = "A new version of " + product + " is available";
    view.text = product + " " + s.version + " is ready. You have " + current + ". Would you like to install it now?";
    view.notes = s.notes;
    if (!s.notes.empty()) view.notesHeading = "What’s new";
    view.checkBox = UpdateCheckBox{"Automatically download and install updates in the future", model.autoInstall.get(),
                                   UpdateAction::setAutoInstall};
    view.buttons = {{"Skip This Version", UpdateAction::skip, false},
                    {"Remind Me Later", UpdateAction::later, false},
                    {"Install Update", UpdateAction::install, true}};
  }
  void operator()(const stage::Downloading& s) const {
    view.title = "Downloading the update…";
    double fraction = s.total == 0 ? 0.0 : std::min(1.0, static_cast<double>(s.received) / static_cast<double>(s.total));
    view.progress = UpdateProgress{UpdateProgress::Kind::bar, fraction, megabytes(s.received) + " of " + megabytes(s.total)};
    view.buttons = {{"Cancel", UpdateAction::cancel, false}};
  }
  void operator()(const stage::Failed& s) const {
    view.title = s.whileChecking ? "Couldn’t check for updates" : "The update didn’t finish";
    view.text = s.message;
    view.buttons = {{"OK", UpdateAction::acknowledge, true}};
  }
  void operator()(const stage::Checking&) const {
    view.title = "Checking for updates…";
    view.progress = indeterminate();
    view.buttons = {{"Cancel", UpdateAction::cancel, false}};
  }
  void operator()(const stage::Preparing&) const {
    view.title = "Preparing the update…";
    view.progress = indeterminate();
  }
  void operator()(const stage::Ready&) const {
    view.title = "Ready to install";
    view.text = std::string("The update is downloaded and verified. ") + kProductName +
                " restarts in a second; Excel stays open.";
    view.buttons = {{"Install on Quit", UpdateAction::installOnQuit, false},
                    {"Install and Relaunch", UpdateAction::relaunch, true}};
  }
  void operator()(const stage::Installing&) const {
    view.title = "Installing…";
    view.progress = indeterminate();
  }
  void operator()(const stage::UpToDate&) const {
    view.title = "You’re up to date";
    view.text = std::string(kProductName) + " " + current + " is the newest version.";
    view.buttons = {{"OK", UpdateAction::acknowledge, true}};
  }
};

}  // namespace

std::string megabytes(std::uint64_t bytes) {
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%.1f MB", static_cast<double>(bytes) / 1'000'000.0);
  return buffer;
}

UpdateView makeUpdateView(const UpdateModel& model, const std::string& currentVersion) {
  UpdateView view;
  view.windowTitle = "Software Update";
  if (const auto& stage = model.stage.get()) std::visit(Texts{model, currentVersion, view}, *stage);
  return view;
}

}  // namespace corvane::updates
