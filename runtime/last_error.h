#pragma once
// The calling thread's last error, for platform-neutral code that reports
// failures the way the Windows helpers do. On Windows it is the system's own
// value (GetLastError/SetLastError), so neutral and Windows code share it; on
// POSIX it is a thread-local value of the same meaning.

#include <cstdint>

namespace krv::os {

// The calling thread's last error code (a Windows error code).
uint32_t last_error() noexcept;

// Sets the calling thread's last error code.
void set_last_error(uint32_t code) noexcept;

}  // namespace krv::os
