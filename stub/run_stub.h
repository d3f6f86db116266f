#pragma once
// The stub's run from start to end.

#include <string>

#include "runtime/error_code_text.h"

namespace krv::stub {

// The run's own code for an exception that reached the flow's edge (a
// failure below the flow that it has no code for). A product code the
// product's table did not use, far above the installer/updater's
// consecutive 0xA001.. codes, and not a system code: the run passes system
// codes on from failing steps and from the installer/updater, so one of
// those could not tell this case apart. Never reused for anything else.
constexpr ResultCode kInternalError = 0xA0F0;

// Checks the installed product, opens and verifies the archive carried in
// the executable's own file, extracts it into a fresh temporary folder while
// the progress window runs, starts the product's installer/updater on it,
// waits, removes the folder and returns the installer/updater's exit code.
// On failure (shown in a message box unless /silent, and logged) returns
// 0xA003 when the product is missing or too old, or the failing step's code;
// kInternalError when an exception ends the run (logged; the workspace is
// still removed). Never raises.
// `tail` is the command line without the program name; it is passed on to
// the installer/updater. Runs once per process, on the main thread.
ResultCode RunStub(const std::wstring& tail) noexcept;

}  // namespace krv::stub
