#pragma once
// Resuming a process started suspended and waiting for its end, with every
// result checked: a process left suspended, or a wait that failed, must not
// keep the caller waiting for ever or pass STILL_ACTIVE (259) on as an exit
// code. Windows code.

#include <windows.h>

#include <cstdint>

namespace krv::os {

// Resumes `thread`, the main thread of `process` started suspended. Returns
// 0; or, when the thread cannot be resumed, terminates the process (with
// the error as its exit code) and returns the system's error.
uint32_t resume_or_terminate(HANDLE process, HANDLE thread);

// Waits without a time limit for `process` to end and stores its exit code
// in `*exit_code`. Returns 0; or the error of the wait or of reading the
// exit code (ERROR_INTERNAL_ERROR when the system gives none), with
// `*exit_code` unchanged.
uint32_t wait_for_exit(HANDLE process, uint32_t* exit_code);

// Replaces ResumeThread and WaitForSingleObject for the two functions above
// while alive; the previous ones come back when destroyed. For tests that
// make them fail.
class ScopedChildProcessCalls {
 public:
  using ResumeCall = DWORD(WINAPI*)(HANDLE thread);
  using WaitCall = DWORD(WINAPI*)(HANDLE object, DWORD milliseconds);
  ScopedChildProcessCalls(ResumeCall resume, WaitCall wait);
  ~ScopedChildProcessCalls();
  ScopedChildProcessCalls(const ScopedChildProcessCalls&) = delete;
  ScopedChildProcessCalls& operator=(const ScopedChildProcessCalls&) = delete;

 private:
  ResumeCall previous_resume_;
  WaitCall previous_wait_;
};

}  // namespace krv::os
