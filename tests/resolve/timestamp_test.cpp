#include "resolve/timestamp.h"

#include <gtest/gtest.h>

namespace resolve {
namespace {

TEST(TimestampSeconds, CountsFromEightOClockOnNewYear1970) {
  struct Case {
    const char* what_it_proves;
    LocalTime time;
    std::int64_t expected;
  };
  const Case cases[] = {
      {"the origin", {.year = 1970, .month = 1, .day = 1, .hour = 8}, 0},
      {"before the origin is negative", {.year = 1970, .month = 1, .day = 1}, -8 * 3600},
      {"a leap day",
       {.year = 2024, .month = 2, .day = 29, .hour = 12, .minute = 30, .second = 5},
       1709181005},
      {"the far side of 2038", {.year = 2040, .month = 1, .day = 1, .hour = 8}, 2208988800},
  };
  for (const auto& c : cases)
    EXPECT_EQ(timestamp_seconds(c.time), c.expected) << c.what_it_proves;
}

TEST(TimestampSeconds, NowFollowsTheLocalClock) {
  const std::int64_t before = timestamp_seconds(local_now());
  const std::int64_t now = timestamp_seconds();
  EXPECT_GE(now, before);
  EXPECT_LE(now - before, 2);
}

}  // namespace
}  // namespace resolve
