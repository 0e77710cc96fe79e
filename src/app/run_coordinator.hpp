#pragma once
// The runs the user starts (typed, from the palette, tried from the editor, tried again): handed to
// the runner with the busy line after a quarter second, counted until their end comes back, kept
// in the recent shortcuts, the last one kept for Try Again. Main thread only; owned by the shell.

#include <cstdint>
#include <functional>
#include <optional>

#include "base/liveness.hpp"
#include "excel/action_runner.hpp"
#include "excel/run_problem.hpp"
#include "feedback/hud_controller.hpp"
#include "model/shortcut.hpp"
#include "platform/defaults.hpp"
#include "platform/scheduler.hpp"

namespace corvane::app {

class RunCoordinator {
 public:
  struct Hooks {
    /// A run is about to start.
    std::function<void()> starting;
    /// A run ended with a problem; the busy line has gone.
    std::function<void(const model::Shortcut&, const excel::RunProblem&)> failed;
    /// A run ended well; the busy line has gone.
    std::function<void()> succeeded;
  };

  /// Shorter runs never flash the busy line.
  static constexpr double kBusyDelay = 0.25;

  RunCoordinator(platform::Scheduler& scheduler, platform::Defaults& defaults, excel::ActionRunner& runner,
                 feedback::HUDController& hud, Hooks hooks);
  ~RunCoordinator();
  RunCoordinator(const RunCoordinator&) = delete;
  RunCoordinator& operator=(const RunCoordinator&) = delete;

  /// Starts `shortcut` against Excel's process `pid`; its end comes back through the hooks.
  void run(const model::Shortcut& shortcut, std::int32_t pid);
  /// Calls off the run in flight and those queued (Escape, a new ⌥ tap, quitting); each still ends
  /// through the hooks.
  void cancel();
  /// Runs handed to the runner whose end has not come back.
  [[nodiscard]] bool inFlight() const { return inFlight_ > 0; }
  /// A run's busy line is waiting to show, or showing.
  [[nodiscard]] bool busy() const { return busyWork_ != nullptr; }
  /// The last run started, for Try Again.
  [[nodiscard]] const std::optional<model::Shortcut>& lastRun() const { return lastRun_; }

 private:
  void ended(const model::Shortcut& shortcut, const std::optional<excel::RunProblem>& problem);

  platform::Scheduler& scheduler_;
  platform::Defaults& defaults_;
  excel::ActionRunner& runner_;
  feedback::HUDController& hud_;
  Hooks hooks_;
  platform::WorkHandle busyWork_;
  std::optional<model::Shortcut> lastRun_;
  int inFlight_ = 0;
  base::Liveness liveness_;
};

}  // namespace corvane::app
