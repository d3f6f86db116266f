#pragma once
// Starts the product's installer/updater and waits for it.

#include <cstdint>
#include <string>

namespace krv::progress {
class ProgressAnimator;
}

namespace krv::handoff {

// Replaces every occurrence of `what` in `text` by `with`.
void ReplaceAll(std::wstring& text, const std::wstring& what, const std::wstring& with);

// Runs `exe` with `arguments` and waits for it to end. Returns 0 when it ran
// and its exit code was read into `exit_code`, else a system error code (and
// `exit_code` is 0). With an animator, its window is closed once the
// installer/updater shows its own window or ends.
uint32_t RunInstaller(const std::wstring& exe, const std::wstring& arguments, uint32_t* exit_code,
                      progress::ProgressAnimator* animator);

}  // namespace krv::handoff
