#include "runtime/lifetime_object.h"

#include <cstdint>
#include <thread>

#include "runtime/manual_event.h"
#include "runtime/module_image.h"

namespace krv::lifetime {

object_creation_error::object_creation_error() : error("Object creation failed") {}

object_already_destroyed::object_already_destroyed() : error("Object was already destroyed") {}

namespace impl {
namespace {

// Reserved pointer values: no object or event is ever allocated at address 1.
void* creation_failed() { return reinterpret_cast<void*>(uintptr_t{1}); }
manual_event* event_closed() { return reinterpret_cast<manual_event*>(uintptr_t{1}); }

bool is_holder(void* instance) { return instance != nullptr && instance != creation_failed(); }

}  // namespace

lifetime_slot::usage::usage(lifetime_slot& slot) noexcept : slot_(slot) { ++slot_.users_; }

lifetime_slot::usage::~usage() { --slot_.users_; }

void* lifetime_slot::acquire(const object_operations& operations) {
  // The address, not the contents, tells static storage apart: heap and stack
  // memory may be zero as well, but never lies inside a module's image.
  if (!mi::is_in_module_image(this)) {
    throw exceptions::fatal(
        "lifetime_object must be allocated on static memory (static or global variable or member "
        "of such a variable).");
  }
  void* instance = instance_.load();
  if (!is_holder(instance)) {
    manual_event* event = creation_event_.load();
    if (event == nullptr) {
      auto fresh = std::make_unique<manual_event>(false);
      if (creation_event_.compare_exchange_strong(event, fresh.get())) {
        create(*fresh.release(), operations);
      }
    }
    if (event != nullptr && event != event_closed()) {
      event->wait();
    }
    instance = instance_.load();
  }
  if (instance == nullptr) {
    throw object_already_destroyed();
  }
  if (instance == creation_failed()) {
    throw object_creation_error();
  }
  return instance;
}

void* lifetime_slot::published() const noexcept {
  void* instance = instance_.load();
  return is_holder(instance) ? instance : nullptr;
}

void lifetime_slot::create(manual_event& event, const object_operations& operations) {
  void* holder = nullptr;
  try {
    register_exit_action(priority::creation_events, [this] { close_creation_event(); });
    holder = operations.create();
    register_exit_action(exit_priority_,
                         [this, destroy_holder = operations.destroy] { destroy(destroy_holder); });
  } catch (...) {
    if (holder != nullptr) {
      try {
        operations.destroy(holder);
      } catch (...) {
        // The creation's own exception is the one to report.
      }
    }
    instance_.exchange(creation_failed());
    event.set();
    throw;
  }
  instance_.exchange(holder);
  event.set();
}

void lifetime_slot::destroy(void (*destroy_holder)(void*)) {
  void* instance = instance_.exchange(nullptr);
  wait_for_no_users();
  if (is_holder(instance)) {
    destroy_holder(instance);
  }
}

void lifetime_slot::close_creation_event() noexcept {
  manual_event* event = creation_event_.exchange(event_closed());
  wait_for_no_users();
  if (event != event_closed()) {
    delete event;
  }
}

void lifetime_slot::wait_for_no_users() const noexcept {
  // Users hold the slot only to copy a reference or to wait for a creation
  // that is already signalled, so this wait is short.
  while (users_.load() != 0) {
    std::this_thread::yield();
  }
}

}  // namespace impl
}  // namespace krv::lifetime
