// wintool: the window side of the end-to-end tests.
//   wintool msgbox <timeout-ms>   wait for a message box (class #32770), print
//                                 its title, text and owner, press OK
//   wintool windows               list visible top-level windows
//   wintool atomsfull <timeout-ms> <program> [args...]
//                                 fill the window station's global atom
//                                 table (as any local process can), run the
//                                 program with the table full, print its
//                                 exit code, then free the atoms again
//   wintool desktop <ms>          keep the desktop up for that long, as a
//                                 Windows session always has it (Wine starts
//                                 its desktop process for the first program
//                                 that needs one and ends it after the last)
// Prints "key: value" lines; exits 0 when found, 1 on time-out, 2 on misuse.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>
#include <vector>

namespace {

std::string Utf8(const std::wstring& w) {
  if (w.empty()) return {};
  int n = WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), nullptr, 0, nullptr, nullptr);
  std::string s(static_cast<size_t>(n), '\0');
  WideCharToMultiByte(CP_UTF8, 0, w.data(), static_cast<int>(w.size()), &s[0], n, nullptr, nullptr);
  return s;
}

std::wstring WindowText(HWND w) {
  wchar_t buf[2048];
  int n = GetWindowTextW(w, buf, 2048);
  return std::wstring(buf, n > 0 ? static_cast<size_t>(n) : 0);
}

std::wstring ClassOf(HWND w) {
  wchar_t buf[256];
  int n = GetClassNameW(w, buf, 256);
  return std::wstring(buf, n > 0 ? static_cast<size_t>(n) : 0);
}

BOOL CALLBACK FindDialog(HWND w, LPARAM out) {
  if (IsWindowVisible(w) && ClassOf(w) == L"#32770") {
    *reinterpret_cast<HWND*>(out) = w;
    return FALSE;
  }
  return TRUE;
}

int MessageBoxCommand(DWORD timeout_ms) {
  DWORD start = GetTickCount();
  HWND box = nullptr;
  while (!box) {
    EnumWindows(FindDialog, reinterpret_cast<LPARAM>(&box));
    if (box) break;
    if (GetTickCount() - start > timeout_ms) {
      std::puts("found: no");
      return 1;
    }
    Sleep(50);
  }
  // Let the box finish laying out its text.
  Sleep(100);
  HWND owner = GetWindow(box, GW_OWNER);
  std::printf("found: yes\n");
  std::printf("title: %s\n", Utf8(WindowText(box)).c_str());
  std::printf("text: %s\n", Utf8(WindowText(GetDlgItem(box, 0xFFFF))).c_str());
  std::printf("owner-class: %s\n", owner ? Utf8(ClassOf(owner)).c_str() : "");
  std::printf("owner-title: %s\n", owner ? Utf8(WindowText(owner)).c_str() : "");
  std::fflush(stdout);
  HWND ok = GetDlgItem(box, IDOK);
  if (ok) SendMessageW(ok, BM_CLICK, 0, 0);
  else PostMessageW(box, WM_COMMAND, IDOK, 0);
  return 0;
}

BOOL CALLBACK PrintWindow(HWND w, LPARAM) {
  if (IsWindowVisible(w)) {
    RECT r = {};
    GetWindowRect(w, &r);
    std::printf("window: %s|%s|%ld,%ld,%ld,%ld\n", Utf8(ClassOf(w)).c_str(), Utf8(WindowText(w)).c_str(),
                r.left, r.top, r.right - r.left, r.bottom - r.top);
  }
  return TRUE;
}

std::wstring FillAtomName(int index) {
  wchar_t name[32];
  std::swprintf(name, 32, L"krv_e2e_fill_%d", index);
  return name;
}

int AtomsFullCommand(DWORD timeout_ms, int argc, wchar_t** argv) {
  std::vector<ATOM> atoms;
  for (ATOM atom; (atom = GlobalAddAtomW(FillAtomName(static_cast<int>(atoms.size())).c_str())) != 0;)
    atoms.push_back(atom);
  std::printf("atoms: %zu\n", atoms.size());
  std::wstring command;
  for (int i = 0; i < argc; ++i) command += (i ? L" \"" : L"\"") + std::wstring(argv[i]) + L"\"";
  STARTUPINFOW startup = {};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION started = {};
  int result = 1;
  if (CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &started)) {
    const bool finished = WaitForSingleObject(started.hProcess, timeout_ms) == WAIT_OBJECT_0;
    if (!finished) TerminateProcess(started.hProcess, 1);
    DWORD code = 0;
    GetExitCodeProcess(started.hProcess, &code);
    std::printf("finished: %s\nexit-code: 0x%08lx\n", finished ? "yes" : "no", static_cast<unsigned long>(code));
    CloseHandle(started.hThread);
    CloseHandle(started.hProcess);
    result = finished ? 0 : 1;
  } else {
    std::printf("start-error: %lu\n", GetLastError());
  }
  // The table outlives this process: every atom goes back.
  for (ATOM atom : atoms) GlobalDeleteAtom(atom);
  std::fflush(stdout);
  return result;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc >= 4 && std::wcscmp(argv[1], L"atomsfull") == 0)
    return AtomsFullCommand(static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)), argc - 3, argv + 3);
  if (argc == 3 && std::wcscmp(argv[1], L"msgbox") == 0)
    return MessageBoxCommand(static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)));
  if (argc == 3 && std::wcscmp(argv[1], L"desktop") == 0) {
    if (GetDesktopWindow() == nullptr) return 1;
    Sleep(static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)));
    return 0;
  }
  if (argc == 2 && std::wcscmp(argv[1], L"windows") == 0) {
    EnumWindows(PrintWindow, 0);
    return 0;
  }
  std::fputs(
      "usage: wintool msgbox <timeout-ms> | wintool windows | wintool desktop <ms> | wintool atomsfull <timeout-ms> "
      "<program> ...\n",
      stderr);
  return 2;
}
