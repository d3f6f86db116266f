#pragma once
// What a record takes from the system (time, process and thread ids) and the
// debugger output sink, with seams for tests.

#include <cstdint>
#include <string>

namespace krv::log {

// The current time as a FILETIME (100 ns units since 1601-01-01 UTC), from
// the installed clock.
uint64_t log_time_now();

// The ids of the calling process and thread.
uint32_t log_process_id();
uint32_t log_thread_id();

// Passes `line` to the debugger output (OutputDebugStringA on Windows; no
// such channel elsewhere) or to the installed sink.
void write_debug_output(const std::string& line);

// Replace the clock or the debug output while alive; the previous one comes
// back when destroyed. The replacement must be callable from any thread.
class ScopedLogClock {
 public:
  explicit ScopedLogClock(uint64_t (*now)());
  ~ScopedLogClock();
  ScopedLogClock(const ScopedLogClock&) = delete;
  ScopedLogClock& operator=(const ScopedLogClock&) = delete;

 private:
  uint64_t (*previous_)();
};

class ScopedDebugOutput {
 public:
  explicit ScopedDebugOutput(void (*sink)(const std::string& line));
  ~ScopedDebugOutput();
  ScopedDebugOutput(const ScopedDebugOutput&) = delete;
  ScopedDebugOutput& operator=(const ScopedDebugOutput&) = delete;

 private:
  void (*previous_)(const std::string& line);
};

namespace detail {

// The system's own clock and debugger output (log_system_win32.cpp,
// log_system_posix.cpp).
uint64_t system_time_now();
void system_debug_output(const std::string& line);

}  // namespace detail

}  // namespace krv::log
