#pragma once
// Device handles of the runtime (Windows only).

#include <cstdint>

#include "runtime/scoped_handle.h"

namespace krv::os {

// Opens the device "\\.\<name>" (the path cut to 191 characters) for reading,
// without sharing, for overlapped use. Returns 0 and the handle in `out`;
// 160 (ERROR_BAD_ARGUMENTS) for a null name or output; else the last error,
// with `out` left empty.
uint32_t open_device(const wchar_t* name, scoped_handle* out);

}  // namespace krv::os
