#include "log/log_system.h"

#include <atomic>

namespace krv::log {

namespace {

std::atomic<uint64_t (*)()> g_clock{&detail::system_time_now};
std::atomic<void (*)(const std::string&)> g_debug_output{&detail::system_debug_output};

}  // namespace

uint64_t log_time_now() { return g_clock.load()(); }

void write_debug_output(const std::string& line) { g_debug_output.load()(line); }

ScopedLogClock::ScopedLogClock(uint64_t (*now)()) : previous_(g_clock.exchange(now)) {}

ScopedLogClock::~ScopedLogClock() { g_clock.store(previous_); }

ScopedDebugOutput::ScopedDebugOutput(void (*sink)(const std::string&)) : previous_(g_debug_output.exchange(sink)) {}

ScopedDebugOutput::~ScopedDebugOutput() { g_debug_output.store(previous_); }

}  // namespace krv::log
