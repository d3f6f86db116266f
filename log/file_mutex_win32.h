#pragma once
// The cross-process lock of one log file: a named mutex per file (by its
// upper-cased full path), shared by every process that writes the file.
// Windows code.
//
// It serialises two things:
// - appends: Wine does not make a write through an append-only handle
//   atomic (it seeks to the end, then writes), so concurrent lines would
//   overwrite each other; Windows does, and there the lock costs one
//   uncontended wait per line;
// - moves to ".old": a handle renamed by another process is still renamed
//   under its old name by Wine, and two processes rotating the same file
//   would move it twice; so the file is moved only under the lock and only
//   while it is still the one at the path.
// Anyone on the machine can compute the name and hold the mutex, so the lock
// is never waited for without a limit: without it, the writes go unlocked
// and the identity check alone guards the moves.

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

#include "runtime/scoped_handle.h"

namespace krv::log {

// The mutex's name for the file at `full_path`:
// "Global\krv_log_file_<FNV-1a of the upper-cased path, 16 hex digits>".
std::wstring file_mutex_name(const std::wstring& full_path);

class FileMutex {
 public:
  // Opens or creates the mutex; when that fails (another user's object of
  // the name), lock() never holds it.
  explicit FileMutex(const std::wstring& full_path);

  // Waits for the mutex (recursive for its owner) at most the lock time-out
  // (2,000 ms); an abandoned one is taken over. After a wait that timed out
  // the next calls only try, without waiting, until one holds the mutex
  // again: a holder that never lets go costs one wait, not one per line.
  // Returns whether it is held. Keeps the thread's last error. Any thread.
  bool lock();
  // Releases a mutex that lock() returned true for. Keeps the last error.
  void unlock();

 private:
  os::scoped_handle mutex_;
  std::atomic<bool> contended_{false};
};

// Holds a FileMutex, when it can be had, for its own lifetime.
class FileMutexLock {
 public:
  explicit FileMutexLock(FileMutex& mutex) : mutex_(mutex), held_(mutex.lock()) {}
  ~FileMutexLock() {
    if (held_) mutex_.unlock();
  }
  FileMutexLock(const FileMutexLock&) = delete;
  FileMutexLock& operator=(const FileMutexLock&) = delete;

 private:
  FileMutex& mutex_;
  bool held_;
};

// Replaces the lock time-out of every FileMutex while alive; the previous
// one comes back when destroyed. For tests.
class ScopedFileMutexTimeout {
 public:
  explicit ScopedFileMutexTimeout(uint32_t milliseconds);
  ~ScopedFileMutexTimeout();
  ScopedFileMutexTimeout(const ScopedFileMutexTimeout&) = delete;
  ScopedFileMutexTimeout& operator=(const ScopedFileMutexTimeout&) = delete;

 private:
  uint32_t previous_;
};

}  // namespace krv::log
