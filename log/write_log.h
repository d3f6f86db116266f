#pragma once
// The logging entry point used by every part of the program.

#include <cstdint>

namespace krv::log {

// Record levels; a threshold of 6 switches a sink off.
enum LogLevel : int32_t {
  kDebug = 0,
  kInfo = 1,
  kNotice = 2,
  kWarning = 3,
  kError = 4,
  kFatal = 5,
  kOff = 6,
};

// A source area's name: at most 11 characters and a terminating zero,
// copied by value into every record.
struct LogCategory {
  char name[12];
};

// Makes a category from a wide name, converted to UTF-8 and cut to 11 bytes.
// Meant for static initialisation: one category per source area.
LogCategory make_category(const wchar_t* name);

// Formats the wide printf-style text (%ls for wide strings in both builds)
// and logs it through the default logger. Does nothing, and raises nothing,
// when the logger does not exist (not yet created or already destroyed).
void write_log(int32_t level, const LogCategory& category, const wchar_t* format, ...);

}  // namespace krv::log
