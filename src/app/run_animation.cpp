#include "app/run_animation.hpp"

namespace corvane::app {

double easeInOut(double t) {
  if (t <= 0) return 0;
  if (t >= 1) return 1;
  if (t < 0.5) return 2 * t * t;
  double rest = 2 - 2 * t;
  return 1 - rest * rest / 2;
}

RunAnimation::RunAnimation(platform::Clock& clock, platform::Scheduler& scheduler,
                           std::function<void(std::optional<double>)> onFrame)
    : clock_(clock), scheduler_(scheduler), onFrame_(std::move(onFrame)) {}

RunAnimation::~RunAnimation() {
  if (timer_) timer_->cancel();
}

void RunAnimation::start(bool animate) {
  if (!animate) return;
  if (timer_) timer_->cancel();
  startedAt_ = clock_.uptime();
  std::weak_ptr<RunAnimation*> weak = self_;
  // The destructor cancels the timer; the weak link covers a tick already under way.
  timer_ = scheduler_.repeating(scheduler_.main(), kFrameInterval, kFrameInterval, 0, [weak] {
    if (auto self = weak.lock()) (*self)->tick();
  });
}

void RunAnimation::tick() {
  double t = (clock_.uptime() - startedAt_) / kDuration;
  if (t >= 1) {
    stop();
    return;
  }
  position_ = easeInOut(t);
  if (onFrame_) onFrame_(position_);
}

void RunAnimation::stop() {
  if (timer_) timer_->cancel();
  timer_.reset();
  position_.reset();
  if (onFrame_) onFrame_(std::nullopt);
}

}  // namespace corvane::app
