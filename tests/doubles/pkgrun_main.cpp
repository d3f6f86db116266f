// pkgrun.exe, the stand-in for the product's updater in tests and the demo.
// It writes "pkgrun-record.txt" beside itself (its command line and the
// files of the workspace named by "/vps_upd:", see workspace_listing.h) and
// "pkgrun-parent.txt" (the parent's main module as its loader reports it),
// then does what "pkgrun-behaviour.txt" beside it says (behaviour_file.h):
// waits, shows a window, signals the window-shown event, waits again, and
// exits with the code it is given. Without a behaviour file it exits with 0
// at once.
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>

#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "runtime/scoped_handle.h"
#include "tests/doubles/behaviour_file.h"
#include "tests/doubles/workspace_listing.h"

namespace {

// Spelled out here rather than taken from the stub's code: the stand-in plays
// a program built elsewhere, so a wrong name on our side must show.
constexpr wchar_t kWindowShownEvent[] = L"Global\\krvSetupGuiShown_0x02fa47cc9a31afba";

std::wstring OwnFolder() {
  wchar_t path[MAX_PATH * 4];
  const DWORD n = GetModuleFileNameW(nullptr, path, static_cast<DWORD>(std::size(path)));
  std::wstring own(path, n);
  return own.substr(0, own.rfind(L'\\') + 1);
}

std::wstring CurrentFolder() {
  wchar_t path[MAX_PATH * 4];
  const DWORD n = GetCurrentDirectoryW(static_cast<DWORD>(std::size(path)), path);
  return n < std::size(path) ? std::wstring(path, n) : std::wstring();
}

std::string ReadWholeFile(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

// Written under a temporary name and renamed, so a reader never sees half a
// record.
void WriteWholeFile(const std::wstring& path, const std::string& text) {
  const std::wstring temporary = path + L".tmp";
  {
    std::ofstream out(temporary.c_str(), std::ios::binary | std::ios::trunc);
    out << text;
  }
  MoveFileExW(temporary.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING);
}

// The file name the parent process's loader reports for its main module:
// what GetModuleFileNameW(NULL) answers inside the parent. UTF-8; empty when
// it cannot be read.
std::string ParentImageName() {
  const DWORD self = GetCurrentProcessId();
  DWORD parent = 0;
  krv::os::scoped_handle snapshot(CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0));
  PROCESSENTRY32W entry = {};
  entry.dwSize = sizeof(entry);
  for (BOOL more = Process32FirstW(snapshot.get(), &entry); more; more = Process32NextW(snapshot.get(), &entry))
    if (entry.th32ProcessID == self) parent = entry.th32ParentProcessID;
  krv::os::scoped_handle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, parent));
  wchar_t name[MAX_PATH * 4];
  const DWORD n = process.valid() ? GetModuleFileNameExW(process.get(), nullptr, name, MAX_PATH * 4) : 0;
  const int bytes = WideCharToMultiByte(CP_UTF8, 0, name, static_cast<int>(n), nullptr, 0, nullptr, nullptr);
  std::string text(static_cast<size_t>(bytes), '\0');
  WideCharToMultiByte(CP_UTF8, 0, name, static_cast<int>(n), text.data(), bytes, nullptr, nullptr);
  return text;
}

// Keeps the window answering its messages for `milliseconds`.
void PumpMessages(DWORD milliseconds) {
  const ULONGLONG end = GetTickCount64() + milliseconds;
  for (ULONGLONG now = GetTickCount64(); now < end; now = GetTickCount64()) {
    MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    MSG message;
    while (PeekMessageW(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageW(&message);
  }
}

HWND ShowStandInWindow(HINSTANCE instance) {
  WNDCLASSW window_class = {};
  window_class.lpfnWndProc = DefWindowProcW;
  window_class.hInstance = instance;
  window_class.lpszClassName = L"KrvPkgrunStandIn";
  RegisterClassW(&window_class);
  HWND window = CreateWindowExW(0, window_class.lpszClassName, L"pkgrun stand-in", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, 320, 200, nullptr, nullptr, instance, nullptr);
  if (window) {
    ShowWindow(window, SW_SHOW);
    UpdateWindow(window);
  }
  return window;
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
  const std::wstring folder = OwnFolder();
  const std::wstring command_line = GetCommandLineW();
  WriteWholeFile(folder + L"pkgrun-record.txt",
                 krv::pkgrun::MakeRecord(command_line, CurrentFolder(), krv::pkgrun::WorkspaceOf(command_line)));
  WriteWholeFile(folder + L"pkgrun-parent.txt", "parent_image: " + ParentImageName() + "\n");
  const krv::pkgrun::Behaviour behaviour = krv::pkgrun::ParseBehaviour(ReadWholeFile(folder + L"pkgrun-behaviour.txt"));

  Sleep(behaviour.delay_ms);
  HWND window = behaviour.show_window ? ShowStandInWindow(instance) : nullptr;
  // Held until the end, so the event outlives our signal even when the stub
  // opens it late.
  krv::os::scoped_handle shown;
  if (behaviour.signal) {
    shown.reset(CreateEventW(nullptr, FALSE, FALSE, kWindowShownEvent));
    if (shown.valid()) SetEvent(shown.get());
  }
  PumpMessages(behaviour.linger_ms);
  if (window) DestroyWindow(window);
  return static_cast<int>(behaviour.exit_code);
}
