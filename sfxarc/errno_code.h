#pragma once
// Translation of the C runtime's errno values into Win32 error codes, the
// codes every file object reports.

#include <cstdint>

namespace krv::sfxarc {

// The Win32 error code for a C runtime errno value; 120 for a value without
// an entry. Entries are keyed by the errno names, so the table holds on every
// runtime whatever numbers it gives them.
uint32_t Win32CodeFromErrno(int errno_value);

}  // namespace krv::sfxarc
