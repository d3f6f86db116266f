#include <pthread.h>

#include "sfxarc/jobpool/thread_name.h"

namespace krv::threading::impl {
namespace {

// The system keeps at most 15 bytes of a thread's name.
constexpr size_t kSystemNameLimit = 15;

}  // namespace

bool system_debugger_attached() { return true; }

void tell_debugger_thread_name(const std::string& name) {
  pthread_setname_np(pthread_self(), name.substr(0, kSystemNameLimit).c_str());
}

}  // namespace krv::threading::impl
