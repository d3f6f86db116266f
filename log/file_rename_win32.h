#pragma once
// Renaming an open file through its handle (NtSetInformationFile with
// FileRenameInformation), so that the file renamed is the one this handle
// holds, whatever name it has meanwhile.

#include <windows.h>

#include <string>

namespace krv::log {

// The longest new name, in wide characters.
constexpr size_t kMaxRenameName = 260;

// Renames `file` (opened with DELETE access) to `new_name`, an NT path such
// as "\??\C:\dir\name" (see nt_path_beside). With `replace` an existing file
// of that name is replaced, otherwise the rename fails on it. Returns true on
// success; false with the thread's last error set to the system's code
// (ERROR_ALREADY_EXISTS when the name is taken, ERROR_ACCESS_DENIED when the
// file to replace is open). Throws krv::exceptions::error: code 87 for a
// missing handle or name, 111 for a name longer than kMaxRenameName, the last
// error when ntdll or NtSetInformationFile cannot be found.
bool rename_by_handle(HANDLE file, const std::wstring& new_name, bool replace);

// The NT path of `name` in the folder of the full Win32 path `full_path`:
// "C:\a\log.txt" and "x" give "\??\C:\a\x"; "\\srv\share\log.txt" gives
// "\??\UNC\srv\share\x". A bare name would do on Windows, but Wine refuses it.
std::wstring nt_path_beside(const std::wstring& full_path, const std::wstring& name);

}  // namespace krv::log
