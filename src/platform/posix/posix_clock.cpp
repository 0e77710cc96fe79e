#include "platform/posix/posix_clock.hpp"

#include <cerrno>
#include <cmath>
#include <ctime>

namespace corvane::platform::posix {

double PosixClock::uptime() const {
  timespec ts{};
  ::clock_gettime(CLOCK_MONOTONIC, &ts);
  return static_cast<double>(ts.tv_sec) + static_cast<double>(ts.tv_nsec) / 1e9;
}

WallTime PosixClock::now() const {
  timespec ts{};
  ::clock_gettime(CLOCK_REALTIME, &ts);
  std::tm local{};
  time_t seconds = ts.tv_sec;
  std::int32_t offset = 0;
  if (::localtime_r(&seconds, &local) != nullptr) offset = static_cast<std::int32_t>(local.tm_gmtoff);
  return WallTime{static_cast<std::int64_t>(ts.tv_sec) * 1'000'000'000 + ts.tv_nsec, offset};
}

void PosixClock::sleep(double seconds) {
  if (!(seconds > 0)) return;
  timespec remaining{};
  remaining.tv_sec = static_cast<time_t>(std::floor(seconds));
  remaining.tv_nsec = static_cast<long>((seconds - std::floor(seconds)) * 1e9);
  while (::nanosleep(&remaining, &remaining) != 0 && errno == EINTR) {
  }
}

}  // namespace corvane::platform::posix
