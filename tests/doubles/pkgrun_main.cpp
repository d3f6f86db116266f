// pkgrun.exe, the stand-in for the product's updater in tests and the demo.
// It writes "pkgrun-record.txt" beside itself (its command line and the
// files of the workspace named by "/vps_upd:", see workspace_listing.h) and
// "pkgrun-parent.txt" (the parent's main module as its loader reports it),
// then does what "pkgrun-behaviour.txt" beside it says (behaviour_file.h):
// has a file of the workspace held open by a second process, waits, shows a
// window, signals the window-shown event, waits again, and exits with the
// code it is given. Without a behaviour file it exits with 0 at once.
// Run as "pkgrun.exe --hold FILE MILLISECONDS" it is that second process: it
// opens FILE, writes "pkgrun-holding.txt" beside itself and waits.
#include <windows.h>
#include <psapi.h>
#include <tlhelp32.h>
#include <winternl.h>

#include <cwchar>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>

#include "log/utf8_text.h"
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

// Reads `size` bytes at `address` of `process`; false unless all were read.
bool ReadParent(HANDLE process, ULONG_PTR address, void* out, size_t size) {
  SIZE_T read = 0;
  return ReadProcessMemory(process, reinterpret_cast<const void*>(address), out, size, &read) && read == size;
}

// The address of a WOW64 process's 32-bit PEB. Windows answers it to
// ProcessWow64Information; Wine answers 1 there, and keeps the 32-bit PEB one
// page above the 64-bit one. 0 when neither is known.
ULONG_PTR Peb32Of(HANDLE process) {
  ULONG_PTR wow64_peb = 0;
  if (NtQueryInformationProcess(process, ProcessWow64Information, &wow64_peb, sizeof wow64_peb, nullptr) != 0)
    return 0;
  if (wow64_peb > 1) return wow64_peb;
  PROCESS_BASIC_INFORMATION basic = {};
  if (NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof basic, nullptr) != 0 ||
      basic.PebBaseAddress == nullptr)
    return 0;
  return reinterpret_cast<ULONG_PTR>(basic.PebBaseAddress) + 0x1000;
}

// The full name of the first entry of a 32-bit process's own loader list,
// read from its 32-bit PEB: what GetModuleFileNameW(NULL) answers inside
// that process. GetModuleFileNameExW of a 64-bit caller does not see that
// list. Empty when it cannot be read.
std::wstring MainModuleOfWow64Process(HANDLE process) {
  const ULONG_PTR peb = Peb32Of(process);
  if (peb == 0) return {};
  // Offsets of the 32-bit layouts: PEB.Ldr, PEB_LDR_DATA.InLoadOrderModuleList,
  // LDR_DATA_TABLE_ENTRY.FullDllName (Length, MaximumLength, Buffer).
  uint32_t loader = 0;
  uint32_t first = 0;
  struct {
    uint16_t length, maximum;
    uint32_t buffer;
  } name = {};
  if (!ReadParent(process, peb + 0x0C, &loader, sizeof loader) ||
      !ReadParent(process, loader + 0x0C, &first, sizeof first) ||
      !ReadParent(process, first + 0x24, &name, sizeof name))
    return {};
  std::wstring text(name.length / sizeof(wchar_t), L'\0');
  if (!ReadParent(process, name.buffer, text.data(), text.size() * sizeof(wchar_t))) return {};
  return text;
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
  if (!process.valid()) return {};
  std::wstring name;
  BOOL wow64 = FALSE;
  if (sizeof(void*) == 8 && IsWow64Process(process.get(), &wow64) && wow64) {
    name = MainModuleOfWow64Process(process.get());
  } else {
    wchar_t buffer[MAX_PATH * 4];
    name.assign(buffer, GetModuleFileNameExW(process.get(), nullptr, buffer, MAX_PATH * 4));
  }
  return krv::log::utf8_from_wide(name.c_str());
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

constexpr wchar_t kHoldOption[] = L"--hold ";

// The holding process: opens `file` against deletion and writing by others,
// says so beside the stand-in, and keeps it open for `milliseconds`.
int HoldOpen(const std::wstring& folder, const std::wstring& file, DWORD milliseconds) {
  krv::os::scoped_handle held(
      CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  WriteWholeFile(folder + L"pkgrun-holding.txt",
                 "held: " + krv::log::utf8_from_wide(file.c_str()) + (held.valid() ? "\n" : " (cannot open)\n"));
  Sleep(milliseconds);
  return 0;
}

// Starts the holding process on the first file of `workspace` and waits (at
// most 10 s) until it has the file open.
void HaveAFileHeld(const std::wstring& folder, const std::wstring& workspace, uint32_t milliseconds) {
  WIN32_FIND_DATAW found = {};
  HANDLE search = FindFirstFileW((workspace + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  std::wstring file;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) file = workspace + L"\\" + found.cFileName;
  } while (file.empty() && FindNextFileW(search, &found));
  FindClose(search);
  if (file.empty()) return;
  DeleteFileW((folder + L"pkgrun-holding.txt").c_str());
  std::wstring command = L"\"" + folder + L"pkgrun.exe\" " + kHoldOption + L"\"" + file + L"\" " +
                         std::to_wstring(milliseconds);
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process = {};
  if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) return;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  for (int i = 0; i < 500 && GetFileAttributesW((folder + L"pkgrun-holding.txt").c_str()) == INVALID_FILE_ATTRIBUTES;
       ++i)
    Sleep(20);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, LPWSTR, int) {
  const std::wstring folder = OwnFolder();
  const std::wstring command_line = GetCommandLineW();
  const size_t hold = command_line.find(kHoldOption);
  if (hold != std::wstring::npos) {
    const size_t open_quote = command_line.find(L'"', hold);
    const size_t close_quote = command_line.find(L'"', open_quote + 1);
    if (open_quote == std::wstring::npos || close_quote == std::wstring::npos) return 2;
    return HoldOpen(folder, command_line.substr(open_quote + 1, close_quote - open_quote - 1),
                    static_cast<DWORD>(std::wcstoul(command_line.c_str() + close_quote + 1, nullptr, 10)));
  }
  WriteWholeFile(folder + L"pkgrun-record.txt",
                 krv::pkgrun::MakeRecord(command_line, CurrentFolder(), krv::pkgrun::WorkspaceOf(command_line)));
  WriteWholeFile(folder + L"pkgrun-parent.txt", "parent_image: " + ParentImageName() + "\n");
  const krv::pkgrun::Behaviour behaviour = krv::pkgrun::ParseBehaviour(ReadWholeFile(folder + L"pkgrun-behaviour.txt"));

  if (behaviour.hold_ms) HaveAFileHeld(folder, krv::pkgrun::WorkspaceOf(command_line), behaviour.hold_ms);
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
