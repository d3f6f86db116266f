#include "handoff/temp_workspace.h"

namespace krv::handoff {

// Not built yet: the workspace comes with the installer hand-off; until then
// no folder is made and there is nothing to remove.
std::wstring CreateTempWorkspace() { return {}; }
void DeleteDirectoryTree(const std::wstring&, const std::wstring&, bool) {}

}  // namespace krv::handoff
