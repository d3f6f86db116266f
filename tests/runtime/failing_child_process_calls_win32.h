#pragma once
// Stand-ins for ResumeThread and WaitForSingleObject that fail, for tests
// that install them with os::ScopedChildProcessCalls.

#include <windows.h>

namespace krv::testing {

// Resumes nothing: fails with ERROR_ACCESS_DENIED (the process stays
// suspended).
inline DWORD WINAPI FailedResume(HANDLE) {
  SetLastError(ERROR_ACCESS_DENIED);
  return static_cast<DWORD>(-1);
}

// Waits as asked, then reports WAIT_FAILED with ERROR_INVALID_HANDLE: the
// process has ended, so no test leaves one running behind it.
inline DWORD WINAPI FailedWaitAfterTheEnd(HANDLE object, DWORD milliseconds) {
  WaitForSingleObject(object, milliseconds);
  SetLastError(ERROR_INVALID_HANDLE);
  return WAIT_FAILED;
}

}  // namespace krv::testing
