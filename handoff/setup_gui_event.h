#pragma once
// The named event through which the installer/updater tells the stub that its
// window is on screen (Windows only).

#include "runtime/scoped_handle.h"

namespace krv::handoff {

// "Global\krvSetupGuiShown_0x02fa47cc9a31afba": the installer/updater opens
// the event of this name and signals it once its window shows.
extern const wchar_t kSetupGuiShownEventName[];

// Creates the event (auto-reset, not signalled, default security), or opens
// it as it is when another process made it first. Returns the caller's
// handle, or no handle with the system's last error set.
os::scoped_handle SetupGuiShownEvent();

}  // namespace krv::handoff
