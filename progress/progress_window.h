#pragma once
// The progress window: a borderless window in the middle of the screen that
// plays the prepared animation, with its own class and message loop, all run
// on the window thread (Windows only).

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <string>

namespace krv::progress {

class ImageFromStream;

// The window class; one progress window per process.
constexpr wchar_t kProgressWindowClass[] = L"orvaneSfxProgressClass";

class ProgressWindow {
 public:
  // Creates nothing yet. `module` registers the class and holds icon 1000;
  // `animation` (not owned, not null, with frames) is used only by the window
  // thread and must outlive it; `ready_event` (not owned, may be null) is
  // signalled once the window exists and has its title; `before_frames`
  // (may be null) is called in WM_CREATE before the frames are prepared.
  ProgressWindow(HINSTANCE module, std::wstring title, ImageFromStream* animation, HANDLE ready_event,
                 void (*before_frames)() = nullptr);
  ProgressWindow(const ProgressWindow&) = delete;
  ProgressWindow& operator=(const ProgressWindow&) = delete;

  // The window thread's routine; `window` is the ProgressWindow. Registers
  // the class, creates the window, gives it icon 1000 and the title, signals
  // the ready event and runs the message loop until the window is destroyed;
  // then unregisters the class. Returns the quit message's code (0); 0 also
  // when PostClose came while the frames were prepared (the window is then
  // never shown); otherwise the system error code when the class cannot be
  // registered or the window cannot be created. Without a window the ready
  // event is not signalled.
  static DWORD WINAPI ThreadMain(void* window);

  // The window, null until the system has made it (it is published at
  // WM_NCCREATE, before WM_CREATE prepares the frames) and again after
  // PostClose or its destruction. Any thread.
  HWND Handle() const { return handle_.load(); }
  // Posts WM_CLOSE to the window and forgets it; when the window does not
  // exist yet, the window thread posts it itself as soon as it does. Any
  // thread.
  void PostClose();
  // Whether Esc was pressed in the window since the last call; takes the
  // press back. Any thread.
  bool TakeEscape() { return escape_.exchange(0) != 0; }

 private:
  static LRESULT CALLBACK WindowProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);
  DWORD Run();
  // Places the window and prepares the frames; false when a close request
  // stopped the preparation (the window is then not made).
  bool OnCreate(HWND window);
  void OnPaint(HWND window);
  void OnTimer(HWND window);

  HINSTANCE module_;
  std::wstring title_;
  ImageFromStream* animation_;
  HANDLE ready_event_;
  void (*before_frames_)();
  std::atomic<HWND> handle_{nullptr};
  std::atomic<bool> close_requested_{false};
  std::atomic<uint32_t> escape_{0};
};

}  // namespace krv::progress
