#pragma once

#include <cstdint>

namespace corvane::platform {

/// A moment of wall-clock time, with the local time zone's offset at that moment so the core can
/// format local times without a time-zone database.
struct WallTime {
  std::int64_t unixNanos = 0;          ///< since 1970-01-01 00:00 UTC
  std::int32_t utcOffsetSeconds = 0;   ///< local time = UTC + this
  friend bool operator==(const WallTime&, const WallTime&) = default;
};

}  // namespace corvane::platform
