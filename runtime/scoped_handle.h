#pragma once
// Ownership of a kernel object handle (Windows only): closed with
// CloseHandle when the owner goes. Null and INVALID_HANDLE_VALUE both mean
// "no handle", since the system's calls use either for failure.

#include <windows.h>

namespace krv::os {

class scoped_handle {
 public:
  scoped_handle() noexcept = default;
  explicit scoped_handle(HANDLE handle) noexcept : handle_(handle) {}
  ~scoped_handle() { reset(); }
  scoped_handle(scoped_handle&& other) noexcept : handle_(other.release()) {}
  scoped_handle& operator=(scoped_handle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  scoped_handle(const scoped_handle&) = delete;
  scoped_handle& operator=(const scoped_handle&) = delete;

  // Whether a handle is held.
  bool valid() const noexcept { return handle_ != nullptr && handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const noexcept { return handle_; }

  // Gives the handle up without closing it.
  HANDLE release() noexcept {
    HANDLE h = handle_;
    handle_ = nullptr;
    return h;
  }

  // Closes the held handle, if any, and takes `handle`. Keeps the last error.
  void reset(HANDLE handle = nullptr) noexcept {
    if (valid()) {
      const DWORD saved = GetLastError();
      CloseHandle(handle_);
      SetLastError(saved);
    }
    handle_ = handle;
  }

 private:
  HANDLE handle_ = nullptr;
};

}  // namespace krv::os
