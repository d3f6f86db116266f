#include <windows.h>

#include "runtime/exceptions.h"
#include "runtime/manual_event.h"

namespace krv::lifetime::impl {

struct manual_event::state {
  HANDLE event;
};

manual_event::manual_event(bool initially_set) : state_(std::make_unique<state>()) {
  state_->event = CreateEventW(nullptr, TRUE, initially_set ? TRUE : FALSE, nullptr);
  if (state_->event == nullptr) {
    throw exceptions::error(static_cast<int32_t>(GetLastError()), "Cannot create event");
  }
}

manual_event::~manual_event() { CloseHandle(state_->event); }

void manual_event::set() noexcept { SetEvent(state_->event); }

void manual_event::wait() const noexcept { WaitForSingleObject(state_->event, INFINITE); }

bool manual_event::is_set() const noexcept {
  return WaitForSingleObject(state_->event, 0) == WAIT_OBJECT_0;
}

void* manual_event::native_handle() const noexcept { return state_->event; }

}  // namespace krv::lifetime::impl
