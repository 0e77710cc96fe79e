#include "base/time_format.hpp"

#include <cstdio>

namespace corvane::base {
namespace {

constexpr std::int64_t kNanosPerMilli = 1'000'000;
constexpr std::int64_t kMillisPerDay = 86'400'000;

std::int64_t floorDiv(std::int64_t a, std::int64_t b) {
  std::int64_t q = a / b;
  return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

// Days since 1970-01-01 → civil date (Howard Hinnant's algorithm).
void civilFromDays(std::int64_t z, std::int64_t& y, int& m, int& d) {
  z += 719468;
  std::int64_t era = floorDiv(z, 146097);
  auto doe = static_cast<std::int64_t>(z - era * 146097);
  std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  std::int64_t mp = (5 * doy + 2) / 153;
  d = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  m = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  y = yoe + era * 400 + (m <= 2 ? 1 : 0);
}

std::string datePart(const CivilTime& t) {
  char buffer[48];
  std::snprintf(buffer, sizeof buffer, "%04lld-%02d-%02d", static_cast<long long>(t.year), t.month, t.day);
  return buffer;
}

}  // namespace

CivilTime localCivilTime(platform::WallTime time) {
  std::int64_t millis = floorDiv(time.unixNanos, kNanosPerMilli) + std::int64_t{time.utcOffsetSeconds} * 1000;
  std::int64_t days = floorDiv(millis, kMillisPerDay);
  std::int64_t inDay = millis - days * kMillisPerDay;
  CivilTime t;
  civilFromDays(days, t.year, t.month, t.day);
  t.hour = static_cast<int>(inDay / 3'600'000);
  t.minute = static_cast<int>(inDay / 60'000 % 60);
  t.second = static_cast<int>(inDay / 1000 % 60);
  t.millisecond = static_cast<int>(inDay % 1000);
  return t;
}

std::string formatLogTimestamp(platform::WallTime time) {
  auto t = localCivilTime(time);
  char buffer[32];
  std::snprintf(buffer, sizeof buffer, " %02d:%02d:%02d.%03d", t.hour, t.minute, t.second, t.millisecond);
  return datePart(t) + buffer;
}

std::string formatDateMinute(platform::WallTime time) {
  auto t = localCivilTime(time);
  char buffer[16];
  std::snprintf(buffer, sizeof buffer, " %02d:%02d", t.hour, t.minute);
  return datePart(t) + buffer;
}

std::string formatDate(platform::WallTime time) { return datePart(localCivilTime(time)); }

}  // namespace corvane::base
