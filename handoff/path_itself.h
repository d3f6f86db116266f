#pragma once
// Opening a path itself, never what a link there points to (Windows only).

#include <windows.h>

#include <string>

#include "runtime/scoped_handle.h"

namespace krv::handoff {

// Opens the file or folder `path` (absolute) for `access`, all sharing modes:
// a link (a reparse point: symbolic link or junction) is opened as the link,
// and the handle is kept only when the system places it at `path` itself,
// that is when its final path is that of `path`'s parent folder followed by
// `path`'s last name. Wine presents a Unix symbolic link as what it points to
// and would act on the target through such a handle; that handle is closed.
// Returns no handle on failure, with the system's last error: that of the
// open (2 or 3 for a missing path), or ERROR_CANT_ACCESS_FILE for a path the
// system resolved elsewhere.
os::scoped_handle OpenPathItself(const std::wstring& path, DWORD access);

}  // namespace krv::handoff
