#pragma once
// Names of saved videos: seconds counted from 1970-01-01 08:00:00 on the local clock, which is
// Unix time on a computer running at UTC+8.

#include <cstdint>
#include <optional>

namespace resolve {

struct LocalTime {
  int year = 1970;
  int month = 1;  // 1..12
  int day = 1;    // 1..31
  int hour = 0;
  int minute = 0;
  int second = 0;
};

LocalTime local_now();

// Whole seconds from 1970-01-01 08:00:00 to `time` (the local clock now when left out), both
// read as local wall-clock times; negative before that instant.
std::int64_t timestamp_seconds(std::optional<LocalTime> time = std::nullopt);

}  // namespace resolve
