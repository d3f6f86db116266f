#pragma once
// One log record: what was logged, by whom and when.

#include <cstdint>
#include <string>

#include "log/write_log.h"

namespace krv::log {

struct LogRecord {
  int32_t level = 0;
  LogCategory category{};
  std::string message;     // UTF-8, already formatted, line ends "\n"
  uint64_t time = 0;       // FILETIME: 100 ns units since 1601-01-01 UTC
  uint32_t process_id = 0;
  uint32_t thread_id = 0;
};

// The level's name ("debug" ... "fatal"); "" for a level outside 0..5.
const char* level_name(int32_t level);

}  // namespace krv::log
