#pragma once

#include "platform/wall_time.hpp"

namespace corvane::platform {

/// Time for the whole program. Callable from any queue.
class Clock {
 public:
  virtual ~Clock() = default;
  /// Monotonic seconds (the system uptime); the keyboard side's time base.
  [[nodiscard]] virtual double uptime() const = 0;
  [[nodiscard]] virtual WallTime now() const = 0;
  /// Blocks the calling queue for `seconds`. In the simulator this advances virtual time and runs
  /// the other queues' due work meanwhile.
  virtual void sleep(double seconds) = 0;
};

}  // namespace corvane::platform
