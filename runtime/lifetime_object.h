#pragma once
// lifetime_object<T>: a process-wide singleton in static storage, created on
// first use by exactly one thread and destroyed by an exit action.

#include <atomic>
#include <cstdint>
#include <memory>
#include <type_traits>

#include "runtime/exceptions.h"
#include "runtime/exit_actions.h"
#include "runtime/module.h"

namespace krv::lifetime {

// Raised by a use of a lifetime object whose creation failed (after the
// creating call itself, which gets the creation's own exception).
class object_creation_error : public exceptions::error {
 public:
  object_creation_error();
};

// Raised by a use of a lifetime object after its exit action destroyed it.
class object_already_destroyed : public exceptions::error {
 public:
  object_already_destroyed();
};

namespace impl {
class manual_event;

// The steps that depend on the object's type.
struct object_operations {
  // Returns a new holder of a new object; raises what construction raises.
  void* (*create)();
  // Frees a holder; may raise.
  void (*destroy)(void* holder);
};

// The type-independent state and steps of lifetime_object.
class lifetime_slot {
 public:
  constexpr explicit lifetime_slot(uint32_t exit_priority) noexcept
      : exit_priority_(exit_priority) {}
  lifetime_slot(const lifetime_slot&) = delete;
  lifetime_slot& operator=(const lifetime_slot&) = delete;

 protected:
  // While one exists, neither the holder nor the creation event is freed.
  class usage {
   public:
    explicit usage(lifetime_slot& slot) noexcept;
    ~usage();
    usage(const usage&) = delete;
    usage& operator=(const usage&) = delete;

   private:
    lifetime_slot& slot_;
  };

  // Returns the holder, creating the object on first use or waiting (without
  // a time limit) for the thread that creates it. Raises fatal when the slot
  // is not in static storage, object_already_destroyed,
  // object_creation_error, and on the creating thread whatever creation
  // raised. The caller holds a usage.
  void* acquire(const object_operations& operations);

  // The holder when the object is created and not destroyed, else null.
  // The caller holds a usage.
  void* published() const noexcept;

 private:
  void create(manual_event& event, const object_operations& operations);
  void destroy(void (*destroy_holder)(void*));
  void close_creation_event() noexcept;
  void wait_for_no_users() const noexcept;

  std::atomic<void*> instance_{nullptr};
  std::atomic<manual_event*> creation_event_{nullptr};
  std::atomic<uint32_t> users_{0};
  uint32_t exit_priority_;
};

}  // namespace impl

// A singleton of T (default-constructible) that must be a static or global
// variable or a member of one: its fields are then set before any code runs.
// States: not created, created, creation failed (final), destroyed (final,
// by an exit action of the object's priority). Users receive shared
// references; the object is freed when the exit action ran and the last
// reference is gone. When T is a module (krv::mi::IModule), the exit action
// raises fatal "Module being destroyed is still held somewhere else" if
// references other than the singleton's own remain. T's constructor must not
// use the same lifetime object.
template <class T>
class lifetime_object : private impl::lifetime_slot {
 public:
  constexpr explicit lifetime_object(uint32_t exit_priority = priority::runtime_singletons) noexcept
      : lifetime_slot(exit_priority) {}

  // The object, created on first use. Raises fatal "lifetime_object must be
  // allocated on static memory ..." when this lifetime object is not in
  // static storage, object_already_destroyed after destruction,
  // object_creation_error after a failed creation, and on the thread that
  // created it whatever T's constructor raised.
  std::shared_ptr<T> get() {
    usage in_use(*this);
    return *static_cast<std::shared_ptr<T>*>(acquire(operations_));
  }

  // The object when it exists (created and not destroyed); else empty.
  // Never creates, waits or raises.
  std::shared_ptr<T> find() noexcept {
    usage in_use(*this);
    void* holder = published();
    return holder != nullptr ? *static_cast<std::shared_ptr<T>*>(holder) : nullptr;
  }

 private:
  static void* create_holder() { return new std::shared_ptr<T>(std::make_shared<T>()); }

  static void destroy_holder(void* holder) {
    std::unique_ptr<std::shared_ptr<T>> owned(static_cast<std::shared_ptr<T>*>(holder));
    if constexpr (std::is_base_of_v<mi::IModule, T>) {
      const bool held_elsewhere = owned->use_count() != 1;
      owned.reset();
      if (held_elsewhere) {
        throw exceptions::fatal("Module being destroyed is still held somewhere else");
      }
    }
  }

  static constexpr impl::object_operations operations_{&create_holder, &destroy_holder};
};

}  // namespace krv::lifetime
