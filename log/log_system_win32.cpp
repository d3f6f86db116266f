#include <windows.h>

#include "log/log_system.h"

namespace krv::log {

uint32_t log_process_id() { return GetCurrentProcessId(); }

uint32_t log_thread_id() { return GetCurrentThreadId(); }

namespace detail {

uint64_t system_time_now() {
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  return static_cast<uint64_t>(now.dwHighDateTime) << 32 | now.dwLowDateTime;
}

void system_debug_output(const std::string& line) { OutputDebugStringA(line.c_str()); }

}  // namespace detail

}  // namespace krv::log
