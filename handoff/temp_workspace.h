#pragma once
// The temporary folder the packages are extracted into.

#include <string>

namespace krv::handoff {

// The full path of a new, empty, uniquely named folder made by this run;
// empty when none could be made.
std::wstring CreateTempWorkspace();

// Removes the files matching `pattern` in `folder` and the folder itself; with
// `defer_to_reboot` they are marked for deletion at the next restart instead.
// An empty folder path does nothing.
void DeleteDirectoryTree(const std::wstring& folder, const std::wstring& pattern, bool defer_to_reboot);

}  // namespace krv::handoff
