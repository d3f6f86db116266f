#include "handoff/path_itself.h"

#include <vector>

namespace krv::handoff {
namespace {

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// The handle's normalized path with its drive letter ("\\?\C:\a\b"); empty
// when the system cannot tell.
std::wstring FinalPath(HANDLE handle) {
  std::vector<wchar_t> buffer(MAX_PATH + 1);
  for (;;) {
    const DWORD n = GetFinalPathNameByHandleW(handle, buffer.data(), static_cast<DWORD>(buffer.size()),
                                              FILE_NAME_NORMALIZED | VOLUME_NAME_DOS);
    if (n == 0) return {};
    if (n < buffer.size()) return std::wstring(buffer.data(), n);
    buffer.resize(n + 1);
  }
}

// Whether `handle` sits at `path`: the final path of `path`'s parent folder,
// a backslash and `path`'s last name. Compared the way the file system
// compares names (ordinal, ignoring case), not by a locale's rules.
bool IsAt(HANDLE handle, std::wstring path) {
  while (path.size() > 1 && path.back() == L'\\') path.pop_back();
  const size_t slash = path.rfind(L'\\');
  if (slash == std::wstring::npos || slash + 1 == path.size()) return false;
  std::wstring parent_path = path.substr(0, slash + 1);
  const std::wstring name = path.substr(slash + 1);
  const os::scoped_handle parent(CreateFileW(parent_path.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr,
                                             OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
  if (!parent.valid()) return false;
  std::wstring expected = FinalPath(parent.get());
  if (expected.empty()) return false;
  if (expected.back() != L'\\') expected += L'\\';
  expected += name;
  const std::wstring actual = FinalPath(handle);
  return !actual.empty() && CompareStringOrdinal(expected.c_str(), static_cast<int>(expected.size()), actual.c_str(),
                                                 static_cast<int>(actual.size()), TRUE) == CSTR_EQUAL;
}

}  // namespace

os::scoped_handle OpenPathItself(const std::wstring& path, DWORD access) {
  os::scoped_handle handle(CreateFileW(path.c_str(), access, kShareAll, nullptr, OPEN_EXISTING,
                                       FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!handle.valid()) return {};
  if (!IsAt(handle.get(), path)) {
    handle.reset();
    SetLastError(ERROR_CANT_ACCESS_FILE);
    return {};
  }
  return handle;
}

}  // namespace krv::handoff
