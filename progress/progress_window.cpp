#include "progress/progress_window.h"

#include "progress/animation_resource.h"
#include "progress/image_from_stream.h"

namespace krv::progress {
namespace {

constexpr UINT_PTR kFrameTimer = 1000;

// Icon 1000 of `module` in the size the system uses for `metric`s; shared
// with the module (LR_SHARED), so never destroyed. Null when missing.
HICON ModuleIcon(HINSTANCE module, int width_metric, int height_metric) {
  return static_cast<HICON>(LoadImageW(module, MAKEINTRESOURCEW(kIconResourceId), IMAGE_ICON,
                                       GetSystemMetrics(width_metric), GetSystemMetrics(height_metric), LR_SHARED));
}

DWORD FailureCode() {
  const DWORD code = GetLastError();
  return code != 0 ? code : ERROR_GEN_FAILURE;
}

}  // namespace

ProgressWindow::ProgressWindow(HINSTANCE module, std::wstring title, ImageFromStream* animation, HANDLE ready_event,
                               void (*before_frames)())
    : module_(module),
      title_(std::move(title)),
      animation_(animation),
      ready_event_(ready_event),
      before_frames_(before_frames) {}

DWORD WINAPI ProgressWindow::ThreadMain(void* window) { return static_cast<ProgressWindow*>(window)->Run(); }

void ProgressWindow::PostClose() {
  // With WM_NCCREATE's publication: whichever comes second sees the other,
  // and only the one that takes the handle posts.
  close_requested_.store(true);
  if (HWND window = handle_.exchange(nullptr)) PostMessageW(window, WM_CLOSE, 0, 0);
}

DWORD ProgressWindow::Run() {
  WNDCLASSEXW window_class = {};
  window_class.cbSize = sizeof window_class;
  window_class.style = CS_HREDRAW | CS_VREDRAW;
  window_class.lpfnWndProc = WindowProc;
  window_class.hInstance = module_;
  window_class.hIcon = ModuleIcon(module_, SM_CXICON, SM_CYICON);
  // The stock arrow belongs to the system, not to our module. No background
  // brush: the window never erases, every paint covers it whole.
  window_class.hCursor = LoadCursorW(nullptr, IDC_ARROW);
  window_class.lpszClassName = kProgressWindowClass;
  if (!RegisterClassExW(&window_class)) return FailureCode();

  // Place and size come in WM_CREATE, from the animation. The title is given
  // at creation, so the window is never seen without it.
  HWND window = CreateWindowExW(0, kProgressWindowClass, title_.c_str(), WS_POPUP | WS_VISIBLE, 0, 0, 0, 0, nullptr,
                                nullptr, module_, this);
  if (!window) {
    // A close requested while WM_CREATE prepared the frames ends the
    // creation before the window is ever shown: that is a close, no failure.
    const DWORD code = close_requested_.load() ? 0 : FailureCode();
    handle_.store(nullptr);
    UnregisterClassW(kProgressWindowClass, module_);
    return code;
  }
  if (HICON big = ModuleIcon(module_, SM_CXICON, SM_CYICON))
    SendMessageW(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(big));
  if (HICON small = ModuleIcon(module_, SM_CXSMICON, SM_CYSMICON))
    SendMessageW(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(small));
  if (ready_event_) SetEvent(ready_event_);

  MSG message = {};
  BOOL got;
  while ((got = GetMessageW(&message, nullptr, 0, 0)) != 0 && got != -1) {
    TranslateMessage(&message);
    DispatchMessageW(&message);
  }
  UnregisterClassW(kProgressWindowClass, module_);
  return got == 0 ? static_cast<DWORD>(message.wParam) : FailureCode();
}

LRESULT CALLBACK ProgressWindow::WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  if (message == WM_NCCREATE) {
    const auto* create = reinterpret_cast<const CREATESTRUCTW*>(lparam);
    auto* self = static_cast<ProgressWindow*>(create->lpCreateParams);
    SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
    // Published before WM_CREATE, which prepares every frame and can take
    // long: a close requested meanwhile is posted and runs once the loop
    // starts, instead of finding no window and ending in termination.
    self->handle_.store(window);
    if (self->close_requested_.load())
      if (HWND own = self->handle_.exchange(nullptr)) PostMessageW(own, WM_CLOSE, 0, 0);
  }
  auto* self = reinterpret_cast<ProgressWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
  if (!self) return DefWindowProcW(window, message, wparam, lparam);

  switch (message) {
    case WM_CREATE:
      return self->OnCreate(window) ? 0 : -1;
    case WM_PAINT:
      self->OnPaint(window);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_TIMER:
      if (wparam == kFrameTimer) self->OnTimer(window);
      break;
    case WM_KEYDOWN:
      if (wparam == VK_ESCAPE) self->escape_.exchange(1);
      break;
    case WM_CLOSE:
      KillTimer(window, kFrameTimer);
      break;
    case WM_DESTROY:
      self->handle_.store(nullptr);
      PostQuitMessage(0);
      break;
    default:
      break;
  }
  return DefWindowProcW(window, message, wparam, lparam);
}

bool ProgressWindow::OnCreate(HWND window) {
  const int width = static_cast<int>(animation_->Width());
  const int height = static_cast<int>(animation_->Height());
  const int x = (GetSystemMetrics(SM_CXSCREEN) - width) / 2;
  const int y = (GetSystemMetrics(SM_CYSCREEN) - height) / 2;
  MoveWindow(window, x, y, width, height, TRUE);
  if (before_frames_) before_frames_();
  // The installer/updater can show its own window, or end, while the frames
  // are prepared: a window shown only to be closed at once would just
  // flicker over it, so the preparation stops and the window is not made.
  if (!animation_->PrepareFrames(window, width, height, title_, &close_requested_)) return false;
  escape_.store(0);
  // An image with one frame or without delays is shown still.
  if (animation_->Animates()) SetTimer(window, kFrameTimer, animation_->FrameDelay(), nullptr);
  return true;
}

void ProgressWindow::OnPaint(HWND window) {
  PAINTSTRUCT paint;
  HDC target = BeginPaint(window, &paint);
  if (!target) return;
  if (HDC frame = animation_->PreparedFrame(animation_->FrameIndex()))
    BitBlt(target, 0, 0, paint.rcPaint.right, paint.rcPaint.bottom, frame, 0, 0, SRCCOPY);
  EndPaint(window, &paint);
}

void ProgressWindow::OnTimer(HWND window) {
  KillTimer(window, kFrameTimer);
  animation_->NextFrame();
  SetTimer(window, kFrameTimer, animation_->FrameDelay(), nullptr);
  InvalidateRect(window, nullptr, FALSE);
}

}  // namespace krv::progress
