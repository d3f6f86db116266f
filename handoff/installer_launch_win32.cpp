#include <windows.h>

#include "handoff/installer_launch.h"

namespace krv::handoff {

// Not built yet: the process launch comes with the installer hand-off; until
// then it fails as not implemented.
uint32_t RunInstaller(const std::wstring&, const std::wstring&, uint32_t* exit_code, progress::ProgressAnimator*) {
  if (exit_code) *exit_code = 0;
  return ERROR_CALL_NOT_IMPLEMENTED;
}

}  // namespace krv::handoff
