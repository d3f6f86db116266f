#include <windows.h>

#include "log/utf8_text.h"
#include "runtime/scoped_handle.h"
#include "tools/run_program.h"

namespace krv::tools {
namespace {

// One argument as the C runtime's parser reads it back: in double quotes,
// with the backslashes before a quote (and before the closing one) doubled.
std::wstring Quoted(const std::wstring& word) {
  std::wstring out = L"\"";
  size_t backslashes = 0;
  for (wchar_t c : word) {
    if (c == L'\\') {
      ++backslashes;
      continue;
    }
    out.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
    backslashes = 0;
    out += c;
  }
  out.append(backslashes * 2, L'\\');
  return out + L"\"";
}

}  // namespace

int RunProgram(const std::vector<std::string>& argv) {
  if (argv.empty()) return -1;
  std::wstring command_line;
  for (const std::string& word : argv) {
    if (!command_line.empty()) command_line += L' ';
    command_line += Quoted(krv::log::wide_from_utf8(word));
  }
  SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
  const os::scoped_handle null_device(CreateFileW(L"NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                                                  OPEN_EXISTING, 0, nullptr));
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdOutput = null_device.get();
  startup.hStdError = null_device.get();
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, &command_line[0], nullptr, nullptr, TRUE, CREATE_NO_WINDOW, nullptr, nullptr,
                      &startup, &process)) {
    return -1;
  }
  const os::scoped_handle process_handle(process.hProcess);
  const os::scoped_handle thread_handle(process.hThread);
  DWORD code = 0;
  if (WaitForSingleObject(process.hProcess, INFINITE) != WAIT_OBJECT_0 || !GetExitCodeProcess(process.hProcess, &code)) {
    return -1;
  }
  return static_cast<int>(code);
}

}  // namespace krv::tools
