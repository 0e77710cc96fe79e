#include "base/time_format.hpp"

#include <gtest/gtest.h>

namespace corvane::base {
namespace {

platform::WallTime at(std::int64_t unixSeconds, std::int64_t extraNanos = 0, std::int32_t offset = 0) {
  return platform::WallTime{unixSeconds * 1'000'000'000 + extraNanos, offset};
}

TEST(TimeFormat, TheLogPatternHasMillisecondsTruncated) {
  EXPECT_EQ(formatLogTimestamp(at(0)), "1970-01-01 00:00:00.000");
  EXPECT_EQ(formatLogTimestamp(at(1772442000, 123'999'999)), "2026-03-02 09:00:00.123");
  EXPECT_EQ(formatDateMinute(at(1772442000 + 59)), "2026-03-02 09:00");
  EXPECT_EQ(formatDate(at(1772442000)), "2026-03-02");
}

TEST(TimeFormat, TheOffsetShiftsToLocalTimeAcrossDayAndYearEnds) {
  EXPECT_EQ(formatLogTimestamp(at(1772442000, 0, 3600)), "2026-03-02 10:00:00.000");
  // 2025-12-31 23:30 UTC is already New Year in Berlin and still the 31st in New York.
  EXPECT_EQ(formatDateMinute(at(1767223800, 0, 3600)), "2026-01-01 00:30");
  EXPECT_EQ(formatDateMinute(at(1767223800, 0, -5 * 3600)), "2025-12-31 18:30");
  EXPECT_EQ(formatDateMinute(at(1767223800, 0, 5 * 3600 + 45 * 60)), "2026-01-01 05:15");  // Nepal
}

TEST(TimeFormat, LeapYearsFollowTheGregorianRules) {
  EXPECT_EQ(formatDate(at(1709164800)), "2024-02-29");
  EXPECT_EQ(formatDate(at(951782400)), "2000-02-29");
  EXPECT_EQ(formatDate(at(4107456000)), "2100-02-28");
  EXPECT_EQ(formatDate(at(4107456000 + 86400)), "2100-03-01");
}

TEST(TimeFormat, TimesBeforeTheEpochRoundDown) {
  EXPECT_EQ(formatLogTimestamp(platform::WallTime{-1, 0}), "1969-12-31 23:59:59.999");
  EXPECT_EQ(formatLogTimestamp(at(-86400)), "1969-12-31 00:00:00.000");
  EXPECT_EQ((localCivilTime(at(-1))), (CivilTime{1969, 12, 31, 23, 59, 59, 0}));
}

}  // namespace
}  // namespace corvane::base
