#pragma once
// The stub's run from start to end.

#include <string>

#include "runtime/error_code_text.h"

namespace krv::stub {

// Checks the installed product, opens and verifies the archive carried in
// the executable's own file, extracts it into a fresh temporary folder while
// the progress window runs, starts the product's installer/updater on it,
// waits, removes the folder and returns the installer/updater's exit code.
// On failure (shown in a message box unless /silent, and logged) returns
// 0xA003 when the product is missing or too old, or the failing step's code.
// `tail` is the command line without the program name; it is passed on to
// the installer/updater. Runs once per process, on the main thread.
ResultCode RunStub(const std::wstring& tail);

}  // namespace krv::stub
