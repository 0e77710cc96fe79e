#pragma once

#include "platform/clock.hpp"

namespace corvane::platform::posix {

/// The real clock: monotonic uptime, wall time with the local UTC offset of that moment, real
/// sleeps. Any thread.
class PosixClock final : public Clock {
 public:
  [[nodiscard]] double uptime() const override;
  [[nodiscard]] WallTime now() const override;
  void sleep(double seconds) override;
};

}  // namespace corvane::platform::posix
