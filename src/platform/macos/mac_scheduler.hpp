#pragma once

#include <array>
#include <memory>

#include "platform/scheduler.hpp"

namespace corvane::platform::macos {

/// Grand Central Dispatch: the main queue, serial queues with a label and a quality of service, the
/// global queues and dispatch timers with leeway. Callable from any thread; built once by the
/// composition root, it outlives every queue and timer it hands out.
class MacScheduler final : public Scheduler {
 public:
  MacScheduler();
  ~MacScheduler() override;
  MacScheduler(const MacScheduler&) = delete;
  MacScheduler& operator=(const MacScheduler&) = delete;

  [[nodiscard]] Queue& main() override;
  [[nodiscard]] std::shared_ptr<Queue> makeSerialQueue(const std::string& label, QoS qos) override;
  [[nodiscard]] Queue& global(QoS qos) override;
  WorkHandle repeating(Queue& queue, double firstDelay, double interval, double leeway,
                       std::function<void()> tick) override;

 private:
  std::unique_ptr<Queue> main_;
  std::array<std::unique_ptr<Queue>, 5> globals_;
};

}  // namespace corvane::platform::macos
