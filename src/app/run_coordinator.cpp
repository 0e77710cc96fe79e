#include "app/run_coordinator.hpp"

#include <utility>

#include "feedback/recent_shortcuts.hpp"

namespace corvane::app {

RunCoordinator::RunCoordinator(platform::Scheduler& scheduler, platform::Defaults& defaults,
                               excel::ActionRunner& runner, feedback::HUDController& hud, Hooks hooks)
    : scheduler_(scheduler), defaults_(defaults), runner_(runner), hud_(hud), hooks_(std::move(hooks)) {}

RunCoordinator::~RunCoordinator() {
  liveness_.end();
  if (busyWork_) busyWork_->cancel();
}

void RunCoordinator::run(const model::Shortcut& shortcut, std::int32_t pid) {
  // Only a run that starts is recent (and can be tried again).
  feedback::recordRecentShortcut(defaults_, shortcut.keys);
  lastRun_ = shortcut;
  if (hooks_.starting) hooks_.starting();
  if (busyWork_) busyWork_->cancel();
  busyWork_ =
      scheduler_.main().after(kBusyDelay, liveness_.guard([this, name = shortcut.name] { hud_.showBusy(name); }));
  ++inFlight_;
  runner_.run(shortcut, pid, liveness_.guard([this, shortcut](std::optional<excel::RunProblem> problem) {
    ended(shortcut, problem);
  }));
}

void RunCoordinator::cancel() {
  if (inFlight_ > 0) runner_.cancelRuns();
}

void RunCoordinator::ended(const model::Shortcut& shortcut, const std::optional<excel::RunProblem>& problem) {
  --inFlight_;
  if (busyWork_) {
    busyWork_->cancel();
    busyWork_.reset();
  }
  if (hud_.isVisible() && hud_.content() == feedback::HUDController::Content::busy) hud_.hide();
  if (problem) {
    if (hooks_.failed) hooks_.failed(shortcut, *problem);
    return;
  }
  if (hooks_.succeeded) hooks_.succeeded();
}

}  // namespace corvane::app
