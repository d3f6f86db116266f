#pragma once
// A named thread object: the system thread, its id and its name.

#include <cstdint>
#include <memory>
#include <string>

#include "sfxarc/jobpool/system_thread.h"

namespace krv::threading {

// The exit code of a thread whose body let an exception escape
// (ERROR_UNHANDLED_EXCEPTION).
constexpr uint32_t kUnhandledExceptionExitCode = 574;

// A thread with a name, whose body is run(). The started thread first
// announces the name to a debugger (announce_thread_name), then runs run():
// it ends with exit code 0, or 574 when an exception escapes run().
// The object must outlive the body's use of it.
class thread {
 public:
  explicit thread(std::string name) : name_(std::move(name)) {}
  // Lets go of the system thread without waiting for it.
  virtual ~thread() = default;
  thread(const thread&) = delete;
  thread& operator=(const thread&) = delete;

  // Starts the system thread. False when the system cannot start it; the
  // object then has no thread. Call at most once.
  bool start();

  // The system thread; null before a successful start or after
  // close_handle().
  system_thread* handle() const { return handle_.get(); }

  // Lets go of the system thread early (see ~thread).
  void close_handle() { handle_.reset(); }

  // The id of the started thread; 0 before a successful start.
  uint32_t id() const { return id_; }

  const std::string& name() const { return name_; }

 protected:
  // The thread's body.
  virtual void run() = 0;

 private:
  static uint32_t entry(void* self);

  std::unique_ptr<system_thread> handle_;
  uint32_t id_ = 0;
  std::string name_;
};

}  // namespace krv::threading
