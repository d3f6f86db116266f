#pragma once
// Reference-counted objects shared between threads: jobs and their workers.

#include <atomic>
#include <cstdint>
#include <utility>

namespace krv {

// An object that deletes itself when its last reference is released. It is
// born with one reference, owned by whoever created it. Counts change only
// by atomic increment and decrement, so references may be taken and
// released on any thread.
class refobj {
 public:
  refobj() = default;
  refobj(const refobj&) = delete;
  refobj& operator=(const refobj&) = delete;

  // Takes one more reference.
  void add_ref() noexcept { count_.fetch_add(1, std::memory_order_relaxed); }

  // Gives one reference back; the object is deleted when it was the last.
  void release() noexcept {
    if (count_.fetch_sub(1, std::memory_order_acq_rel) == 1) delete this;
  }

 protected:
  // Only release() destroys a reference-counted object.
  virtual ~refobj() = default;

 private:
  std::atomic<int32_t> count_{1};
};

// Holds one reference to a refobj-derived T and gives it back on
// destruction; moves pass the reference on. Null holds nothing.
template <typename T>
class ref_ptr {
 public:
  ref_ptr() = default;
  // Adopts the reference the caller owns (as `new` gives one).
  static ref_ptr adopt(T* object) { return ref_ptr(object); }
  // Takes a new reference to `object` (may be null).
  static ref_ptr share(T* object) {
    if (object) object->add_ref();
    return ref_ptr(object);
  }

  ref_ptr(ref_ptr&& other) noexcept : object_(std::exchange(other.object_, nullptr)) {}
  ref_ptr& operator=(ref_ptr&& other) noexcept {
    if (this != &other) reset(std::exchange(other.object_, nullptr));
    return *this;
  }
  ref_ptr(const ref_ptr&) = delete;
  ref_ptr& operator=(const ref_ptr&) = delete;
  ~ref_ptr() { reset(nullptr); }

  T* get() const noexcept { return object_; }
  T* operator->() const noexcept { return object_; }
  explicit operator bool() const noexcept { return object_ != nullptr; }

 private:
  explicit ref_ptr(T* object) : object_(object) {}
  void reset(T* object) noexcept {
    if (object_) object_->release();
    object_ = object;
  }

  T* object_ = nullptr;
};

}  // namespace krv
