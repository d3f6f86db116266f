#pragma once
// What the window and animation tests share (Windows only): GDI+ for tests
// that decode images without an animator, the test images' modules, pictures
// of device contexts, and probes run on the window thread.

#include <windows.h>

#include <string>

#include "runtime/scoped_handle.h"
#include "tests/progress/window_pixels.h"

namespace krv::progress::testing {

// GDI+ started for the object's lifetime.
class GdiplusSession {
 public:
  GdiplusSession();
  ~GdiplusSession();
  GdiplusSession(const GdiplusSession&) = delete;
  GdiplusSession& operator=(const GdiplusSession&) = delete;

 private:
  ULONG_PTR token_ = 0;
};

// A module loaded by name for the test's lifetime: "still", "no_delays" and
// "not_an_image" are the test images' DLLs (animation_fixture_<name>.dll,
// beside the test program); any other name is loaded as it is.
class TestModule {
 public:
  explicit TestModule(const std::wstring& name);
  ~TestModule();
  TestModule(const TestModule&) = delete;
  TestModule& operator=(const TestModule&) = delete;
  HMODULE get() const { return module_; }

 private:
  HMODULE module_;
};

// A hidden popup window of the given size, for device contexts to be
// compatible with; destroyed with the object.
class HiddenWindow {
 public:
  HiddenWindow(int width, int height);
  ~HiddenWindow();
  HiddenWindow(const HiddenWindow&) = delete;
  HiddenWindow& operator=(const HiddenWindow&) = delete;
  HWND get() const { return window_; }

 private:
  HWND window_;
};

// The pixels of `dc` from (0, 0), `width` x `height`.
Picture PictureOf(HDC dc, int width, int height);

// Runs on `window`'s thread and stops its frame timer (id 1000); true when
// the timer was running.
bool StopFrameTimer(HWND window);

// Blocks `window`'s thread once it takes WM_CLOSE from its queue, until
// Release or the object's end.
class CloseBlocker {
 public:
  explicit CloseBlocker(HWND window);
  ~CloseBlocker();
  CloseBlocker(const CloseBlocker&) = delete;
  CloseBlocker& operator=(const CloseBlocker&) = delete;
  void Release();

 private:
  os::scoped_handle release_;
  HHOOK hook_;
};

}  // namespace krv::progress::testing
