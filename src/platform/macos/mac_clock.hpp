#pragma once

#include <cstdint>

#include "platform/clock.hpp"

namespace corvane::platform::macos {

/// The system clocks. Stateless; callable from any queue.
class MacClock final : public Clock {
 public:
  /// Seconds of the clock event timestamps use (uptime without sleep, as the key tap's events).
  [[nodiscard]] double uptime() const override;
  [[nodiscard]] WallTime now() const override;
  /// A real sleep of the calling thread.
  void sleep(double seconds) override;
};

/// A moment given in nanoseconds since 1970, with the local time zone's offset at that moment.
[[nodiscard]] WallTime localWallTime(std::int64_t unixNanos);

}  // namespace corvane::platform::macos
