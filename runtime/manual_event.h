#pragma once
// A manual-reset event: once set it stays set and releases every waiter,
// present and future. On Windows it is a kernel event (CreateEventW); on
// POSIX a mutex, a condition variable and a flag.

#include <memory>

namespace krv::lifetime::impl {

class manual_event {
 public:
  // Raises krv::exceptions::error "Cannot create event" with the system's
  // error code when the event cannot be made.
  explicit manual_event(bool initially_set);
  ~manual_event();
  manual_event(const manual_event&) = delete;
  manual_event& operator=(const manual_event&) = delete;

  // Sets the event; waiters return.
  void set() noexcept;

  // Returns once the event is set; no time limit.
  void wait() const noexcept;

  // Whether the event is set now.
  bool is_set() const noexcept;

#if defined(_WIN32)
  // The kernel event's HANDLE, owned by this object.
  void* native_handle() const noexcept;
#endif

 private:
  struct state;
  std::unique_ptr<state> state_;
};

}  // namespace krv::lifetime::impl
