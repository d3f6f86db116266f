#include <condition_variable>
#include <mutex>

#include "runtime/manual_event.h"

namespace krv::lifetime::impl {

struct manual_event::state {
  mutable std::mutex lock;
  mutable std::condition_variable changed;
  bool set = false;
};

manual_event::manual_event(bool initially_set) : state_(std::make_unique<state>()) {
  state_->set = initially_set;
}

manual_event::~manual_event() = default;

void manual_event::set() noexcept {
  {
    std::lock_guard<std::mutex> guard(state_->lock);
    state_->set = true;
  }
  state_->changed.notify_all();
}

void manual_event::wait() const noexcept {
  std::unique_lock<std::mutex> guard(state_->lock);
  state_->changed.wait(guard, [this] { return state_->set; });
}

bool manual_event::is_set() const noexcept {
  std::lock_guard<std::mutex> guard(state_->lock);
  return state_->set;
}

}  // namespace krv::lifetime::impl
