#include "handoff/shared_dlls.h"

#include <windows.h>

#include "handoff/handoff_log.h"
#include "runtime/registry_helpers.h"
#include "runtime/error_code_text.h"

namespace krv::handoff {

const wchar_t kSharedDllsKey[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";

namespace {

// The value's data as a count: the read's error, ERROR_MORE_DATA for a value
// longer than 4 bytes and ERROR_INVALID_DATA for one of another type or size.
LSTATUS ReadCount(const std::wstring& path, DWORD* count) {
  os::registry_key key;
  LSTATUS status = static_cast<LSTATUS>(
      os::open_registry_key(nullptr, HKEY_LOCAL_MACHINE, kSharedDllsKey, KEY_QUERY_VALUE | os::kDefaultRegistryView, &key));
  if (status != ERROR_SUCCESS) return status;
  DWORD type = 0;
  DWORD data = 0;
  DWORD size = sizeof data;
  status = RegQueryValueExW(key.get(), path.c_str(), nullptr, &type, reinterpret_cast<BYTE*>(&data), &size);
  if (status != ERROR_SUCCESS) return status;
  if (type != REG_DWORD || size != sizeof data) return ERROR_INVALID_DATA;
  *count = data;
  return ERROR_SUCCESS;
}

}  // namespace

bool GetValueImpl(const std::wstring& path, uint32_t* count) {
  const DWORD saved = GetLastError();
  DWORD data = 0;
  const LSTATUS status = ReadCount(path, &data);
  if (status == ERROR_SUCCESS) *count = data;
  // A value that is there but is no count is not a failure of the read.
  else if (status != ERROR_FILE_NOT_FOUND && status != ERROR_MORE_DATA && status != ERROR_INVALID_DATA)
    log::write_log(log::kError, kRegis, L"GetValueImpl: cannot get value 'HKEY_LOCAL_MACHINE\\%ls\\%ls', code %ls",
                   kSharedDllsKey, path.c_str(), krv::FormatErrorCode(static_cast<uint32_t>(status)).c_str());
  SetLastError(saved);
  return status == ERROR_SUCCESS;
}

}  // namespace krv::handoff
