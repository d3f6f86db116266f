#include <windows.h>

#include "runtime/exceptions.h"
#include "runtime/module_image.h"

namespace krv::mi {

bool is_in_module_image(const void* address) noexcept {
  HMODULE module = nullptr;
  return GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                                GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                            static_cast<LPCWSTR>(address), &module) != FALSE;
}

module_reference::module_reference(const void* address) {
  HMODULE module = nullptr;
  if (!GetModuleHandleExW(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS, static_cast<LPCWSTR>(address),
                          &module)) {
    throw exceptions::error(static_cast<int32_t>(GetLastError()),
                            "Provided module is invalid or already unloaded");
  }
  module_ = module;
}

module_reference::~module_reference() { FreeLibrary(static_cast<HMODULE>(module_)); }

}  // namespace krv::mi
