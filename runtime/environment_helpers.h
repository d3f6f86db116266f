#pragma once
// Environment helpers of the runtime (Windows only). They return Windows
// error codes (0 for success) and never raise exceptions.

#include <string>

namespace krv::os {

// The value of the environment variable `name`, read with a buffer of 0x8000
// characters. Returns 87 for a null or empty name, 2 when the variable cannot
// be read (missing, empty or longer than the buffer); `out` is changed only
// on success.
uint32_t environment_variable(const wchar_t* name, std::wstring* out);

// The Windows directory as GetWindowsDirectoryW gives it (at most 260
// characters, usually without a trailing backslash). Returns 0 or the last
// error; `out` is changed only on success.
uint32_t windows_directory(std::wstring* out);

// Makes sure the environment variable SystemRoot is set: when "%SystemRoot%"
// expands to an empty text or to one that still begins with "%", it is set to
// `windows_folder` (a trailing backslash is dropped). Returns 0 or the last
// error of the failed call.
uint32_t ensure_system_root(const std::wstring& windows_folder);

}  // namespace krv::os
