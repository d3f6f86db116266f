#include "log/file_mutex_win32.h"

#include <cwchar>

namespace krv::log {
namespace {

// Two seconds: far longer than any writer holds the lock for one line or a
// move, short enough that a held mutex does not stall the run.
std::atomic<uint32_t> g_timeout_ms{2000};

}  // namespace

std::wstring file_mutex_name(const std::wstring& full_path) {
  std::wstring upper(full_path.size(), L'\0');
  if (full_path.empty() || LCMapStringW(LOCALE_INVARIANT, LCMAP_UPPERCASE, full_path.c_str(),
                                        static_cast<int>(full_path.size()), &upper[0],
                                        static_cast<int>(upper.size())) == 0)
    upper = full_path;
  uint64_t hash = 14695981039346656037ULL;  // FNV-1a
  for (wchar_t c : upper) hash = (hash ^ static_cast<uint16_t>(c)) * 1099511628211ULL;
  wchar_t name[64];
  std::swprintf(name, 64, L"Global\\krv_log_file_%016llx", static_cast<unsigned long long>(hash));
  return name;
}

FileMutex::FileMutex(const std::wstring& full_path)
    : mutex_(CreateMutexW(nullptr, FALSE, file_mutex_name(full_path).c_str())) {}

bool FileMutex::lock() {
  if (!mutex_.valid()) return false;
  DWORD last_error = GetLastError();
  DWORD wait = WaitForSingleObject(mutex_.get(), contended_.load() ? 0 : g_timeout_ms.load());
  SetLastError(last_error);
  const bool held = wait == WAIT_OBJECT_0 || wait == WAIT_ABANDONED;
  contended_.store(!held);
  return held;
}

void FileMutex::unlock() {
  DWORD last_error = GetLastError();
  ReleaseMutex(mutex_.get());
  SetLastError(last_error);
}

ScopedFileMutexTimeout::ScopedFileMutexTimeout(uint32_t milliseconds)
    : previous_(g_timeout_ms.exchange(milliseconds)) {}

ScopedFileMutexTimeout::~ScopedFileMutexTimeout() { g_timeout_ms.store(previous_); }

}  // namespace krv::log
