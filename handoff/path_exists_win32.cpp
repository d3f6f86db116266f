#include "handoff/path_exists.h"

#include <windows.h>

#include "runtime/scoped_handle.h"

namespace krv::handoff {

bool PathExists(const std::wstring& path) {
  const DWORD saved = GetLastError();
  os::scoped_handle h(CreateFileW(path.c_str(), SYNCHRONIZE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                  nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT,
                                  nullptr));
  if (!h.valid()) return false;
  SetLastError(saved);
  return true;
}

}  // namespace krv::handoff
