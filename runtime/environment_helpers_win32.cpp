#include <windows.h>

#include <cwchar>
#include <vector>

#include "runtime/environment_helpers.h"

namespace krv::os {
namespace {

constexpr DWORD kValueChars = 0x8000;

}  // namespace

uint32_t environment_variable(const wchar_t* name, std::wstring* out) {
  if (name == nullptr || *name == L'\0' || out == nullptr) return ERROR_INVALID_PARAMETER;
  std::vector<wchar_t> buffer(kValueChars);
  const DWORD length = GetEnvironmentVariableW(name, buffer.data(), kValueChars);
  if (length == 0 || length >= kValueChars) return ERROR_FILE_NOT_FOUND;
  out->assign(buffer.data(), length);
  return ERROR_SUCCESS;
}

uint32_t windows_directory(std::wstring* out) {
  if (out == nullptr) return ERROR_INVALID_PARAMETER;
  wchar_t buffer[MAX_PATH];
  const UINT length = GetWindowsDirectoryW(buffer, MAX_PATH);
  if (length == 0) return GetLastError();
  if (length >= MAX_PATH) return ERROR_INSUFFICIENT_BUFFER;
  out->assign(buffer, length);
  return ERROR_SUCCESS;
}

uint32_t ensure_system_root(const std::wstring& windows_folder) {
  wchar_t expanded[MAX_PATH];
  const DWORD length = ExpandEnvironmentStringsW(L"%SystemRoot%", expanded, MAX_PATH);
  // A length of 1 is the terminator alone: an empty expansion.
  if (length > 1 && length <= MAX_PATH && expanded[0] != L'%') return ERROR_SUCCESS;
  std::wstring value = windows_folder;
  if (value.size() > 3 && value.back() == L'\\') value.pop_back();
  return SetEnvironmentVariableW(L"SystemRoot", value.c_str()) ? ERROR_SUCCESS : GetLastError();
}

}  // namespace krv::os
