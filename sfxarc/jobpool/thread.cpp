#include "sfxarc/jobpool/thread.h"

#include "sfxarc/jobpool/thread_name.h"

namespace krv::threading {

bool thread::start() {
  handle_ = system_thread::start(&thread::entry, this);
  if (!handle_) return false;
  id_ = handle_->id();
  return true;
}

uint32_t thread::entry(void* self) {
  auto* object = static_cast<thread*>(self);
  try {
    announce_thread_name(object->name_);
    object->run();
  } catch (...) {
    return kUnhandledExceptionExitCode;
  }
  return 0;
}

}  // namespace krv::threading
