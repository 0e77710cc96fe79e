#pragma once
// The car that drives across the status icon when a shortcut runs: a 0.55-second quadratic ease
// in and out, redrawn 30 times a second. Main queue only; owned by the shell. Its timer holds it
// weakly, so destroying it stops the animation.

#include <functional>
#include <memory>
#include <optional>

#include "platform/clock.hpp"
#include "platform/scheduler.hpp"

namespace corvane::app {

/// The eased position at t in 0…1: 2t² before the middle, 1 − (2 − 2t)²/2 after it.
[[nodiscard]] double easeInOut(double t);

class RunAnimation final {
 public:
  static constexpr double kDuration = 0.55;
  static constexpr double kFrameInterval = 1.0 / 30.0;

  /// `onFrame` receives each position, then none when the run is over.
  RunAnimation(platform::Clock& clock, platform::Scheduler& scheduler,
               std::function<void(std::optional<double>)> onFrame);
  ~RunAnimation();
  RunAnimation(const RunAnimation&) = delete;
  RunAnimation& operator=(const RunAnimation&) = delete;

  /// Starts again from the left; does nothing (and leaves the icon still) when `animate` is false —
  /// without the permission, or with the system's reduce-motion setting on.
  void start(bool animate);
  [[nodiscard]] std::optional<double> position() const { return position_; }
  [[nodiscard]] bool isRunning() const { return timer_ != nullptr; }

 private:
  void tick();
  void stop();

  platform::Clock& clock_;
  platform::Scheduler& scheduler_;
  std::function<void(std::optional<double>)> onFrame_;
  platform::WorkHandle timer_;
  double startedAt_ = 0;
  std::optional<double> position_;
  std::shared_ptr<RunAnimation*> self_ = std::make_shared<RunAnimation*>(this);
};

}  // namespace corvane::app
