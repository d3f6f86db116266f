#include <dlfcn.h>

#include "runtime/exceptions.h"
#include "runtime/module_image.h"

namespace krv::mi {

bool is_in_module_image(const void* address) noexcept {
  Dl_info info;
  return dladdr(address, &info) != 0;
}

module_reference::module_reference(const void* address) {
  if (!is_in_module_image(address)) {
    throw exceptions::error("Provided module is invalid or already unloaded");
  }
}

module_reference::~module_reference() = default;

}  // namespace krv::mi
