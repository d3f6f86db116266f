#include "handoff/installer_launch.h"

#include <windows.h>

#include <vector>

#include "handoff/handoff_log.h"
#include "handoff/setup_gui_event.h"
#include "progress/progress_animator.h"
#include "runtime/child_process_win32.h"
#include "runtime/scoped_handle.h"

namespace krv::handoff {
namespace {

// Suspended, so that the foreground right is granted before the process can
// show a window; a console of its own; a wide environment block.
constexpr DWORD kCreationFlags = CREATE_SUSPENDED | CREATE_NEW_CONSOLE | CREATE_UNICODE_ENVIRONMENT;

// The folder that holds `exe`: up to its last backslash, else its last slash.
// A drive root keeps its separator ("C:" alone would name the drive's current
// folder). Empty when `exe` has no folder part: the process then starts in
// ours.
std::wstring WorkingFolder(const std::wstring& exe) {
  size_t end = exe.rfind(L'\\');
  if (end == std::wstring::npos) end = exe.rfind(L'/');
  if (end == std::wstring::npos) return {};
  if (end > 0 && exe[end - 1] == L':') ++end;
  return exe.substr(0, end);
}

uint32_t CreationFailed(const std::wstring& exe, uint32_t code) {
  log::write_log(log::kError, kSfxsh, L"Error creating process '%ls' (code 0x%x)", exe.c_str(), code);
  return code;
}

// Keeps the progress window until the installer/updater shows its own window
// or ends. Without the event there is nothing to wait for. One wait on both
// objects rather than polling the process between waits on the event: a
// poll interval would keep the window (and the run) up to that long after an
// installer/updater that ended without a window.
void WaitForInstallerWindow(HANDLE process) {
  os::scoped_handle shown = SetupGuiShownEvent();
  if (!shown.valid()) return;
  const HANDLE objects[] = {shown.get(), process};
  WaitForMultipleObjects(2, objects, FALSE, INFINITE);
}

}  // namespace

uint32_t RunInstallerWithWindowCloser(const std::wstring& exe, const std::wstring& arguments, uint32_t* exit_code,
                                      const std::function<void()>& close_window) {
  if (exit_code) *exit_code = 0;
  // The command line is built whole, without the fixed buffer of 1,024
  // characters the launch once used: a long workspace path and the stub's own
  // arguments can exceed it, and a cut command line would hand the
  // installer/updater a wrong folder or option. Beyond the system's own limit
  // the launch is refused rather than cut.
  const std::wstring command = L"\"" + exe + L"\" " + arguments;
  if (command.size() > kMaxProcessCommandLine) return CreationFailed(exe, ERROR_FILENAME_EXCED_RANGE);
  // CreateProcessW may write into the command line.
  std::vector<wchar_t> command_buffer(command.c_str(), command.c_str() + command.size() + 1);
  const std::wstring folder = WorkingFolder(exe);

  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started = {};
  if (!CreateProcessW(exe.c_str(), command_buffer.data(), nullptr, nullptr, FALSE, kCreationFlags, nullptr,
                      folder.empty() ? nullptr : folder.c_str(), &startup, &started))
    return CreationFailed(exe, GetLastError());
  const os::scoped_handle process(started.hProcess);
  const os::scoped_handle thread(started.hThread);

  AllowSetForegroundWindow(started.dwProcessId);
  if (const uint32_t code = os::resume_or_terminate(process.get(), thread.get())) {
    log::write_log(log::kError, kSfxsh, L"Cannot resume process '%ls' (code 0x%x)", exe.c_str(), code);
    return code;
  }

  if (close_window) {
    WaitForInstallerWindow(process.get());
    close_window();
  }

  uint32_t code = 0;
  if (const uint32_t error = os::wait_for_exit(process.get(), &code)) {
    log::write_log(log::kError, kSfxsh, L"Cannot wait for process '%ls' (code 0x%x)", exe.c_str(), error);
    return error;
  }
  if (exit_code) *exit_code = code;
  return 0;
}

uint32_t RunInstaller(const std::wstring& exe, const std::wstring& arguments, uint32_t* exit_code,
                      progress::ProgressAnimator* animator) {
  std::function<void()> close_window;
  if (animator) close_window = [animator] { animator->CloseWindow(); };
  return RunInstallerWithWindowCloser(exe, arguments, exit_code, close_window);
}

}  // namespace krv::handoff
