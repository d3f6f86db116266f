#pragma once
// Module helpers of the runtime (Windows only). They return Windows error
// codes (0 for success) and never raise exceptions.

#include <windows.h>

#include <string>

namespace krv::os {

// The full path of `module` (null: the process's executable), read with a
// buffer of 0x8000 characters; with `short_path`, its short form when
// GetShortPathNameW gives one. The path must name an existing file. Returns 0,
// or the last error of the call that failed; `out` is changed only on success.
uint32_t module_file_name(HMODULE module, bool short_path, std::wstring* out);

// The module that holds the runtime's code, found with RtlPcToFileHeader;
// null when that function is missing.
HMODULE module_of_running_code() noexcept;

}  // namespace krv::os
