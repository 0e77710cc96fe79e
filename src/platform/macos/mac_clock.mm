#include "platform/macos/mac_clock.hpp"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <ctime>

namespace corvane::platform::macos {

double MacClock::uptime() const {
  // CLOCK_UPTIME_RAW is mach_absolute_time in nanoseconds: the base of event timestamps and of the
  // system uptime, stopped while the machine sleeps.
  return static_cast<double>(clock_gettime_nsec_np(CLOCK_UPTIME_RAW)) / 1e9;
}

WallTime MacClock::now() const {
  timespec ts{};
  clock_gettime(CLOCK_REALTIME, &ts);
  return localWallTime(static_cast<std::int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec);
}

void MacClock::sleep(double seconds) {
  if (!(seconds > 0)) return;
  seconds = std::min(seconds, 1e9);  // beyond this, whole seconds no longer fit every time_t
  double whole = std::floor(seconds);
  timespec remaining{static_cast<time_t>(whole), static_cast<long>((seconds - whole) * 1e9)};
  while (nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
  }
}

WallTime localWallTime(std::int64_t unixNanos) {
  // Floor division, so a moment before 1970 still finds its own second.
  std::int64_t secondsSinceEpoch = unixNanos / 1'000'000'000;
  if (unixNanos % 1'000'000'000 < 0) --secondsSinceEpoch;
  auto seconds = static_cast<time_t>(secondsSinceEpoch);
  // tzset picks up a time-zone change made in System Settings while the program runs.
  tzset();
  tm local{};
  if (localtime_r(&seconds, &local) == nullptr) return WallTime{unixNanos, 0};
  return WallTime{unixNanos, static_cast<std::int32_t>(local.tm_gmtoff)};
}

}  // namespace corvane::platform::macos
