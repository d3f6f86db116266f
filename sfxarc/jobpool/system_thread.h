#pragma once
// The system's threads under the job pool: start, waits and exit codes. One
// implementation per platform: C-runtime threads and kernel waits on
// Windows, std::thread with a completion flag on POSIX.

#include <cstdint>
#include <memory>
#include <cstddef>

namespace krv::threading {

// The exit code read from a thread that has not ended yet (STILL_ACTIVE).
constexpr uint32_t kThreadStillActive = 259;

// The result of wait_all when every thread has ended (WAIT_OBJECT_0).
constexpr uint32_t kWaitAllEnded = 0;

// One started thread. Not thread-safe: one owner calls its operations.
class system_thread {
 public:
  // A thread's body; its result becomes the thread's exit code.
  using body = uint32_t (*)(void* context);

  // Starts a thread at once, with the default stack size, that runs
  // body(context). Null when the system cannot start one. `context` must
  // stay valid for as long as the body uses it.
  static std::unique_ptr<system_thread> start(body entry, void* context);

  // Lets go of the thread without waiting for it: a thread still running
  // runs on and cleans up after itself.
  ~system_thread();
  system_thread(const system_thread&) = delete;
  system_thread& operator=(const system_thread&) = delete;

  // The thread's identifier: the system's thread id on Windows, a
  // process-unique number on POSIX.
  uint32_t id() const;

  // Waits up to `timeout_ms` milliseconds for the thread to end; true when
  // it has ended.
  bool wait_for(uint32_t timeout_ms);

  // The body's result once the thread has ended; kThreadStillActive while it
  // runs. Windows: the system's last error when the code cannot be read.
  uint32_t exit_code() const;

  // Waits without time limit until each of the `count` threads at `threads`
  // (1 to 64, the system's limit for one wait) has ended. Returns kWaitAllEnded, or
  // the system's failure result of the wait (WAIT_FAILED).
  static uint32_t wait_all(system_thread* const* threads, size_t count);

  struct impl;

 private:
  explicit system_thread(std::unique_ptr<impl> state);
  std::unique_ptr<impl> impl_;
};

}  // namespace krv::threading
