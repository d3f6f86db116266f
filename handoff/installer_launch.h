#pragma once
// Starts the product's installer/updater and waits for it.

#include <cstdint>
#include <functional>
#include <string>

namespace krv::progress {
class ProgressAnimator;
}

namespace krv::handoff {

// Replaces every occurrence of `what` in `text` by `with`, left to right; an
// inserted `with` is not searched again. When `with` contains `what`,
// occurrences of `with` already in `text` are first turned back into `what`,
// so a text that was replaced before comes out the same as a fresh one. An
// empty `what`, or `what` equal to `with`, leaves `text` as it is.
void ReplaceAll(std::wstring& text, const std::wstring& what, const std::wstring& with);

// The longest process command line the system takes, without the
// terminating zero (32,767 characters with it).
constexpr size_t kMaxProcessCommandLine = 32766;

// Runs `exe` (full path) with the command line "\"<exe>\" <arguments>" in
// the folder that holds it, lets it bring its windows to the foreground and
// waits for it to end. With an animator, its window is closed (CloseWindow)
// once the installer/updater signals SetupGuiShownEvent or ends, whichever
// comes first; without one the window is not waited for.
// Returns 0 when the process ran and its exit code, whatever it is, was
// stored in `*exit_code` (when not null). Otherwise returns a system error
// code and stores 0 there: the creation's error (2, 3, 5, 193, ...), 206
// (ERROR_FILENAME_EXCED_RANGE) when the command line would be longer than
// kMaxProcessCommandLine (nothing is started: a command line is never
// cut), the error of resuming the process (which is then terminated), or
// the error of waiting for its end or reading its exit code. Failures are
// logged (category "sfxsh").
uint32_t RunInstaller(const std::wstring& exe, const std::wstring& arguments, uint32_t* exit_code,
                      progress::ProgressAnimator* animator);

// RunInstaller with the animator's part as a callback: `close_window`, when
// not empty, is called once, at the moment RunInstaller would close the
// animator's window. For tests that watch when that happens.
uint32_t RunInstallerWithWindowCloser(const std::wstring& exe, const std::wstring& arguments, uint32_t* exit_code,
                                      const std::function<void()>& close_window);

}  // namespace krv::handoff
