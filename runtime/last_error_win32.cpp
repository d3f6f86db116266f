#include <windows.h>

#include "runtime/last_error.h"

namespace krv::os {

uint32_t last_error() noexcept { return GetLastError(); }

void set_last_error(uint32_t code) noexcept { SetLastError(code); }

}  // namespace krv::os
