#pragma once
// The store of callbacks that other modules loaded into the process register
// to run in the executable's exit sequence, and the cookies that remove them.

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

namespace krv::storage {

// A callback registered by a module: called with the user data and the two
// values given at registration.
using exit_callback = void (*)(void* user_data, uint32_t first, uint32_t second);

// One registered callback.
struct callback_data {
  exit_callback function = nullptr;
  void* user_data = nullptr;
  uint32_t first = 0;
  uint32_t second = 0;
};

// Identifies a registered callback; the empty cookie identifies none.
class callback_cookie_wrapper {
 public:
  constexpr callback_cookie_wrapper() noexcept = default;
  constexpr explicit callback_cookie_wrapper(uint64_t value) noexcept : value_(value) {}
  constexpr bool empty() const noexcept { return value_ == 0; }
  constexpr uint64_t value() const noexcept { return value_; }

 private:
  uint64_t value_ = 0;
};

// Callbacks by cookie. Destroying the store runs those still registered.
class callback_store {
 public:
  callback_store() = default;
  // Runs the callbacks still registered (run_all).
  ~callback_store();
  callback_store(const callback_store&) = delete;
  callback_store& operator=(const callback_store&) = delete;

  // Registers `callback` (its function must not be null); never returns an
  // empty cookie. Raises std::bad_alloc.
  callback_cookie_wrapper add(const callback_data& callback);

  // Removes the callback; false when the cookie is empty or unknown.
  bool remove(callback_cookie_wrapper cookie) noexcept;

  // Removes every callback and runs each once, newest first, outside the
  // store's lock. Before a call the module holding the callback's code is
  // referenced (krv::mi::module_reference) and released after it; a
  // callback whose module is gone is skipped. Returns the number of
  // callbacks skipped or raising; the others still run.
  size_t run_all() noexcept;

 private:
  std::mutex lock_;
  uint64_t last_cookie_ = 0;
  std::map<uint64_t, callback_data> callbacks_;
};

// A holder handed to another module; the interface it may call.
class callback_cookie_holder_ifc {
 public:
  // Removes the callback (if the store still exists) and frees the holder.
  virtual void release() noexcept = 0;

 protected:
  ~callback_cookie_holder_ifc() = default;
};

// Holds one cookie of a store; removing it when released or destroyed. Does
// not keep the store alive.
class callback_cookie_holder final : public callback_cookie_holder_ifc {
 public:
  // An empty cookie or an expired store makes a holder that removes nothing.
  callback_cookie_holder(std::weak_ptr<callback_store> store, callback_cookie_wrapper cookie) noexcept
      : store_(std::move(store)), cookie_(cookie) {}
  ~callback_cookie_holder();
  callback_cookie_holder(const callback_cookie_holder&) = delete;
  callback_cookie_holder& operator=(const callback_cookie_holder&) = delete;

  callback_cookie_wrapper cookie() const noexcept { return cookie_; }

  // For holders made with new (as register_exit_callback makes them): delete this.
  void release() noexcept override;

 private:
  std::weak_ptr<callback_store> store_;
  callback_cookie_wrapper cookie_;
};

namespace detail {
// The executable's on-exit callback store, a lifetime object of priority
// krv::lifetime::priority::runtime_singletons; empty once destroyed.
std::shared_ptr<callback_store> on_exit_callback_store() noexcept;
}  // namespace detail

// Registers `function` with its user data and values in the executable's
// on-exit callback store and returns a new holder (the caller releases it).
// When the store no longer exists, or `function` is null, the holder's cookie
// is empty. Returns null only when no holder can be allocated.
callback_cookie_holder* register_exit_callback(exit_callback function, void* user_data,
                                               uint32_t first, uint32_t second) noexcept;

}  // namespace krv::storage
