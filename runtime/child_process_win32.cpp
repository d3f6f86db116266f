#include "runtime/child_process_win32.h"

#include <atomic>

namespace krv::os {
namespace {

std::atomic<ScopedChildProcessCalls::ResumeCall> g_resume{&ResumeThread};
std::atomic<ScopedChildProcessCalls::WaitCall> g_wait{&WaitForSingleObject};

DWORD LastErrorOrInternal() {
  const DWORD error = GetLastError();
  return error != 0 ? error : ERROR_INTERNAL_ERROR;
}

}  // namespace

uint32_t resume_or_terminate(HANDLE process, HANDLE thread) {
  if (g_resume.load()(thread) != static_cast<DWORD>(-1)) return 0;
  const DWORD error = LastErrorOrInternal();
  TerminateProcess(process, error);
  SetLastError(error);
  return error;
}

uint32_t wait_for_exit(HANDLE process, uint32_t* exit_code) {
  const DWORD wait = g_wait.load()(process, INFINITE);
  if (wait == WAIT_FAILED) return LastErrorOrInternal();
  if (wait != WAIT_OBJECT_0) return ERROR_INTERNAL_ERROR;
  DWORD code = 0;
  if (!GetExitCodeProcess(process, &code)) return LastErrorOrInternal();
  *exit_code = code;
  return 0;
}

ScopedChildProcessCalls::ScopedChildProcessCalls(ResumeCall resume, WaitCall wait)
    : previous_resume_(g_resume.exchange(resume)), previous_wait_(g_wait.exchange(wait)) {}

ScopedChildProcessCalls::~ScopedChildProcessCalls() {
  g_resume.store(previous_resume_);
  g_wait.store(previous_wait_);
}

}  // namespace krv::os
