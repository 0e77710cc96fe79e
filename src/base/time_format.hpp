#pragma once
// Local date and time texts from a wall time. The platform hands over the UTC offset with every
// time, so the core formats without a time-zone database. Pure functions; any thread.

#include <cstdint>
#include <string>

#include "platform/wall_time.hpp"

namespace corvane::base {

/// A proleptic Gregorian date and time of day.
struct CivilTime {
  std::int64_t year = 1970;
  int month = 1;  ///< 1…12
  int day = 1;    ///< 1…31
  int hour = 0;
  int minute = 0;
  int second = 0;
  int millisecond = 0;
  friend bool operator==(const CivilTime&, const CivilTime&) = default;
};

/// The local date and time of `time` (UTC shifted by its offset), milliseconds truncated.
[[nodiscard]] CivilTime localCivilTime(platform::WallTime time);

/// "yyyy-MM-dd HH:mm:ss.SSS" — the activity log's time stamp.
[[nodiscard]] std::string formatLogTimestamp(platform::WallTime time);
/// "yyyy-MM-dd HH:mm"
[[nodiscard]] std::string formatDateMinute(platform::WallTime time);
/// "yyyy-MM-dd"
[[nodiscard]] std::string formatDate(platform::WallTime time);

}  // namespace corvane::base
