#pragma once
// The temporary folder the packages are extracted into, and its removal.

#include <cstdint>
#include <string>

namespace krv::handoff {

// Makes a new folder for this run and returns its full path:
// <base>\_ov_pkr.tm~<letter><five digits>, where <base> is the environment's
// TEMP, or TMP when TEMP is absent, or "C:\TEMP" when both are absent or the
// chosen value is longer than 520 characters, names no folder, or leaves no
// room for the name within 520 characters ("C:\TEMP" is created when
// missing). The digits are the last five decimal digits of the calling
// thread's identifier; the letter is the first of a..z whose name this call
// could create. A name that exists already (a folder or a file another
// process made) is never used: the next letter is tried. Returns an empty
// path when all 26 names exist or the folder cannot be created for another
// reason (no rights, full disk); the system's last error then tells why.
std::wstring CreateTempWorkspace();

// Removes what `pattern` (the same at every depth; the caller passes "*.*")
// matches in `folder` and below, then `folder` itself. Without
// `defer_to_reboot` files are deleted at once (see OpOnReboot) and each
// folder is removed when it has become empty; with it every file and folder
// is marked for deletion at the next restart and stays until then. Shared
// files are kept (see RemoveFileOrDefer). A folder that is a link (a reparse
// point) is removed as a link: what it points to is left alone. An empty
// `pattern` removes nothing below `folder`. Returns 87 for an empty `folder`
// (nothing done); otherwise the code of the last file or subfolder handled, 0
// when there was none. Failures are logged where they happen.
uint32_t DeleteDirectoryTree(const std::wstring& folder, const std::wstring& pattern, bool defer_to_reboot);

}  // namespace krv::handoff
