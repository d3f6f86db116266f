#include "sfxarc/retrying_delete.h"

#include <atomic>
#include <chrono>
#include <thread>

#include "sfxarc/output_file.h"

namespace krv::sfxarc {
namespace {

constexpr int kAttempts = 10;
constexpr uint32_t kPauseMs = 200;

void SystemSleep(uint32_t milliseconds) { std::this_thread::sleep_for(std::chrono::milliseconds(milliseconds)); }

// Atomic: extraction workers read it concurrently.
std::atomic<RetrySleep> g_sleep{&SystemSleep};

}  // namespace

bool DeleteWithRetry(const std::wstring& path) {
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    if (!PathExists(path)) return false;
    ClearFileAttributes(path);
    if (DeleteOutputFile(path)) return true;
    g_sleep.load()(kPauseMs);
  }
  return false;
}

ScopedRetrySleep::ScopedRetrySleep(RetrySleep sleep) : previous_(g_sleep.exchange(sleep)) {}

ScopedRetrySleep::~ScopedRetrySleep() { g_sleep.store(previous_); }

}  // namespace krv::sfxarc
