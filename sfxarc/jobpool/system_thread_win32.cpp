#include <windows.h>

#include <process.h>

#include <new>

#include "sfxarc/jobpool/system_thread.h"

namespace krv::threading {
namespace {

struct start_context {
  system_thread::body entry;
  void* context;
};

unsigned __stdcall thread_start(void* parameter) {
  const start_context start = *static_cast<start_context*>(parameter);
  delete static_cast<start_context*>(parameter);
  return start.entry(start.context);
}

}  // namespace

struct system_thread::impl {
  HANDLE handle = nullptr;
  uint32_t id = 0;
};

std::unique_ptr<system_thread> system_thread::start(body entry, void* context) {
  // Everything that can fail is allocated before the thread exists, so a
  // started thread always has its owner.
  std::unique_ptr<impl> state(new (std::nothrow) impl);
  if (!state) return nullptr;
  std::unique_ptr<system_thread> thread(new (std::nothrow) system_thread(std::move(state)));
  std::unique_ptr<start_context> start(new (std::nothrow) start_context{entry, context});
  if (!thread || !start) return nullptr;
  unsigned id = 0;
  const uintptr_t handle = _beginthreadex(nullptr, 0, &thread_start, start.get(), 0, &id);
  if (handle == 0) return nullptr;
  start.release();  // thread_start owns it now
  thread->impl_->handle = reinterpret_cast<HANDLE>(handle);
  thread->impl_->id = id;
  return thread;
}

system_thread::system_thread(std::unique_ptr<impl> state) : impl_(std::move(state)) {}

system_thread::~system_thread() {
  if (impl_->handle) CloseHandle(impl_->handle);
}

uint32_t system_thread::id() const { return impl_->id; }

bool system_thread::wait_for(uint32_t timeout_ms) {
  return WaitForSingleObject(impl_->handle, timeout_ms) == WAIT_OBJECT_0;
}

uint32_t system_thread::exit_code() const {
  DWORD code = 0;
  if (!GetExitCodeThread(impl_->handle, &code)) return GetLastError();
  return code;
}

uint32_t system_thread::wait_all(system_thread* const* threads, size_t count) {
  HANDLE handles[MAXIMUM_WAIT_OBJECTS];
  if (count == 0 || count > MAXIMUM_WAIT_OBJECTS) return WAIT_FAILED;
  for (size_t i = 0; i < count; ++i) handles[i] = threads[i]->impl_->handle;
  return WaitForMultipleObjects(static_cast<DWORD>(count), handles, TRUE, INFINITE);
}

}  // namespace krv::threading
