#include "tests/progress/animation_test_support.h"

#include <objidl.h>
#include <gdiplus.h>

namespace krv::progress::testing {
namespace {

constexpr UINT_PTR kFrameTimer = 1000;
constexpr WPARAM kStopTimerProbe = 0x6b7276;  // marks our WM_NULL

// Hook state: one probe or blocker at a time, set before the hook is in.
bool g_timer_was_running = false;
HANDLE g_close_release = nullptr;

LRESULT CALLBACK CallWindowHook(int code, WPARAM wparam, LPARAM lparam) {
  const auto* call = reinterpret_cast<const CWPSTRUCT*>(lparam);
  if (code == HC_ACTION && call->message == WM_NULL && call->wParam == kStopTimerProbe)
    g_timer_was_running = KillTimer(call->hwnd, kFrameTimer) != FALSE;
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

LRESULT CALLBACK GetMessageHook(int code, WPARAM wparam, LPARAM lparam) {
  const auto* message = reinterpret_cast<const MSG*>(lparam);
  if (code == HC_ACTION && message->message == WM_CLOSE && g_close_release)
    WaitForSingleObject(g_close_release, INFINITE);
  return CallNextHookEx(nullptr, code, wparam, lparam);
}

DWORD ThreadOf(HWND window) { return GetWindowThreadProcessId(window, nullptr); }

}  // namespace

GdiplusSession::GdiplusSession() {
  Gdiplus::GdiplusStartupInput input;
  Gdiplus::GdiplusStartup(&token_, &input, nullptr);
}

GdiplusSession::~GdiplusSession() {
  if (token_) Gdiplus::GdiplusShutdown(token_);
}

TestModule::TestModule(const std::wstring& name) {
  const bool fixture = name == L"still" || name == L"no_delays" || name == L"not_an_image";
  module_ = LoadLibraryW((fixture ? L"animation_fixture_" + name + L".dll" : name).c_str());
}

TestModule::~TestModule() {
  if (module_) FreeLibrary(module_);
}

HiddenWindow::HiddenWindow(int width, int height)
    : window_(CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, width, height, nullptr, nullptr,
                              GetModuleHandleW(nullptr), nullptr)) {}

HiddenWindow::~HiddenWindow() {
  if (window_) DestroyWindow(window_);
}

Picture PictureOf(HDC dc, int width, int height) {
  BITMAPINFO info = {};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = -height;  // rows from the top
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 32;
  info.bmiHeader.biCompression = BI_RGB;
  void* bits = nullptr;
  HBITMAP copy = CreateDIBSection(dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  Picture picture;
  if (!copy) return picture;
  HDC memory = CreateCompatibleDC(dc);
  HGDIOBJ previous = SelectObject(memory, copy);
  BitBlt(memory, 0, 0, width, height, dc, 0, 0, SRCCOPY);
  GdiFlush();
  picture.width = width;
  picture.height = height;
  picture.rgb.resize(static_cast<size_t>(width) * height * 3);
  const auto* bgra = static_cast<const uint8_t*>(bits);
  for (size_t i = 0; i < static_cast<size_t>(width) * height; ++i) {
    picture.rgb[i * 3] = bgra[i * 4 + 2];
    picture.rgb[i * 3 + 1] = bgra[i * 4 + 1];
    picture.rgb[i * 3 + 2] = bgra[i * 4];
  }
  SelectObject(memory, previous);
  DeleteDC(memory);
  DeleteObject(copy);
  return picture;
}

bool StopFrameTimer(HWND window) {
  g_timer_was_running = false;
  HHOOK hook = SetWindowsHookExW(WH_CALLWNDPROC, CallWindowHook, nullptr, ThreadOf(window));
  if (!hook) return false;
  // A sent message runs on the window's thread before SendMessageW returns.
  SendMessageW(window, WM_NULL, kStopTimerProbe, 0);
  UnhookWindowsHookEx(hook);
  return g_timer_was_running;
}

CloseBlocker::CloseBlocker(HWND window) : release_(CreateEventW(nullptr, TRUE, FALSE, nullptr)) {
  g_close_release = release_.get();
  hook_ = SetWindowsHookExW(WH_GETMESSAGE, GetMessageHook, nullptr, ThreadOf(window));
}

CloseBlocker::~CloseBlocker() {
  Release();
  if (hook_) UnhookWindowsHookEx(hook_);
  g_close_release = nullptr;
}

void CloseBlocker::Release() {
  if (release_.valid()) SetEvent(release_.get());
}

}  // namespace krv::progress::testing
