#include <sys/syscall.h>
#include <time.h>
#include <unistd.h>

#include "log/log_system.h"

namespace krv::log {

namespace {

// Seconds from 1601-01-01 to 1970-01-01.
constexpr uint64_t kUnixEpochSeconds = 11644473600ULL;

}  // namespace

uint32_t log_process_id() { return static_cast<uint32_t>(getpid()); }

uint32_t log_thread_id() { return static_cast<uint32_t>(syscall(SYS_gettid)); }

namespace detail {

uint64_t system_time_now() {
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  return (static_cast<uint64_t>(now.tv_sec) + kUnixEpochSeconds) * 10000000ULL +
         static_cast<uint64_t>(now.tv_nsec) / 100;
}

// There is no debugger channel here; a stream sink serves instead.
void system_debug_output(const std::string&) {}

}  // namespace detail

}  // namespace krv::log
