#include "resolve/timestamp.h"

#include <chrono>
#include <ctime>

namespace resolve {

LocalTime local_now() {
  const std::time_t now = std::time(nullptr);
  std::tm parts{};
  localtime_r(&now, &parts);
  return {.year = parts.tm_year + 1900,
          .month = parts.tm_mon + 1,
          .day = parts.tm_mday,
          .hour = parts.tm_hour,
          .minute = parts.tm_min,
          .second = parts.tm_sec};
}

std::int64_t timestamp_seconds(std::optional<LocalTime> time) {
  const LocalTime t = time ? *time : local_now();
  using namespace std::chrono;
  const sys_days day = year_month_day{year{t.year}, month{static_cast<unsigned>(t.month)},
                                      std::chrono::day{static_cast<unsigned>(t.day)}};
  const std::int64_t days = day.time_since_epoch().count();
  return days * 86400 + t.hour * 3600 + t.minute * 60 + t.second - 8 * 3600;
}

}  // namespace resolve
