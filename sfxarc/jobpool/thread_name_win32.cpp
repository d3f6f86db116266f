#include <windows.h>

#include "sfxarc/jobpool/thread_name.h"

namespace krv::threading::impl {
namespace {

// The debuggers' thread-naming handshake: an exception with this code whose
// arguments are the record below.
constexpr DWORD kSetThreadNameException = 0x406D1388;

#pragma pack(push, 8)
struct thread_name_record {
  DWORD type;         // always 0x1000
  LPCSTR name;        // 8-bit name
  DWORD thread_id;    // the named thread
  DWORD flags;        // reserved, 0
};
#pragma pack(pop)

// Continues past the naming exception when the debugger did not handle it.
// Added last, so that handlers added before (a test's, for one) see the
// exception first.
LONG CALLBACK continue_past_name(EXCEPTION_POINTERS* pointers) {
  return pointers->ExceptionRecord->ExceptionCode == kSetThreadNameException ? EXCEPTION_CONTINUE_EXECUTION
                                                                             : EXCEPTION_CONTINUE_SEARCH;
}

class scoped_vectored_handler {
 public:
  explicit scoped_vectored_handler(PVECTORED_EXCEPTION_HANDLER handler)
      : cookie_(AddVectoredExceptionHandler(0, handler)) {}
  ~scoped_vectored_handler() {
    if (cookie_) RemoveVectoredExceptionHandler(cookie_);
  }
  scoped_vectored_handler(const scoped_vectored_handler&) = delete;
  scoped_vectored_handler& operator=(const scoped_vectored_handler&) = delete;
  explicit operator bool() const { return cookie_ != nullptr; }

 private:
  void* cookie_;
};

}  // namespace

bool system_debugger_attached() { return IsDebuggerPresent() != FALSE; }

void tell_debugger_thread_name(const std::string& name) {
  const scoped_vectored_handler handler(&continue_past_name);
  // Unhandled, the exception would end the process: without our handler
  // nothing is raised.
  if (!handler) return;
  thread_name_record record = {0x1000, name.c_str(), GetCurrentThreadId(), 0};
  RaiseException(kSetThreadNameException, 0, sizeof(record) / sizeof(ULONG_PTR),
                 reinterpret_cast<const ULONG_PTR*>(&record));
}

}  // namespace krv::threading::impl
