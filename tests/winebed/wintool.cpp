// wintool: the window side of the end-to-end tests.
//   wintool msgbox <timeout-ms>   wait for a message box (class #32770), print
//                                 its title, text and owner, press OK
//   wintool windows               list visible top-level windows
// Prints "key: value" lines; exits 0 when found, 1 on time-out, 2 on misuse.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cwchar>
#include <string>

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

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc == 3 && std::wcscmp(argv[1], L"msgbox") == 0)
    return MessageBoxCommand(static_cast<DWORD>(std::wcstoul(argv[2], nullptr, 10)));
  if (argc == 2 && std::wcscmp(argv[1], L"windows") == 0) {
    EnumWindows(PrintWindow, 0);
    return 0;
  }
  std::fputs("usage: wintool msgbox <timeout-ms> | wintool windows\n", stderr);
  return 2;
}
