#pragma once
// Questions about the loaded modules (the executable and its libraries) of
// the process, asked by address.

namespace krv::mi {

// True when `address` lies inside the image of a loaded module: its code or
// its static data. Stack, heap and thread-local storage are not inside.
bool is_in_module_image(const void* address) noexcept;

// A reference on the loaded module whose image holds an address, taken so the
// module stays loaded while code inside it runs. On Windows the reference is
// a module reference count (GetModuleHandleExW, released with FreeLibrary);
// on POSIX the module is only checked to be loaded.
class module_reference {
 public:
  // Raises krv::exceptions::error "Provided module is invalid or already
  // unloaded" (with the system's code on Windows) when no loaded module holds
  // `address`.
  explicit module_reference(const void* address);
  ~module_reference();
  module_reference(const module_reference&) = delete;
  module_reference& operator=(const module_reference&) = delete;

 private:
  // The module handle the Windows build holds; unused on POSIX.
  [[maybe_unused]] void* module_ = nullptr;
};

}  // namespace krv::mi
