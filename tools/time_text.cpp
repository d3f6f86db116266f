#include "tools/time_text.h"

#include <cstdio>

#include "log/log_line.h"

namespace krv::tools {

namespace {

// 1970-01-01 as a FILETIME, in 100-ns ticks since 1601-01-01.
constexpr uint64_t kUnixEpochTicks = 116444736000000000ull;
constexpr uint64_t kTicksPerSecond = 10000000;

}  // namespace

std::string UtcTimeText(int64_t seconds) {
  krv::log::CalendarTime time;
  if (seconds < 0 ||
      !krv::log::calendar_time_from_file_time(kUnixEpochTicks + static_cast<uint64_t>(seconds) * kTicksPerSecond,
                                              time)) {
    return std::string();
  }
  char text[40];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u UTC", time.year, time.month, time.day, time.hour,
                time.minute, time.second);
  return text;
}

}  // namespace krv::tools
