#pragma once
// The system's list of shared files: how many programs share a file.

#include <cstdint>
#include <string>

namespace krv::handoff {

// The key below HKEY_LOCAL_MACHINE that holds one REG_DWORD value per shared
// file, named by the file's full path.
extern const wchar_t kSharedDllsKey[];

// Reads the shared count of the file `path` (full path) from the process's
// default registry view. Returns true and stores the count in `*count` when
// a REG_DWORD value of exactly 4 bytes exists; otherwise returns false and
// leaves `*count` unchanged. A missing key or value, or a value of another
// type or size, is a plain false; any other failure of the read is logged
// (level error, category "regis") and gives false too. The system's last
// error is left unchanged.
bool GetValueImpl(const std::wstring& path, uint32_t* count);

}  // namespace krv::handoff
