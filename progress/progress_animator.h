#pragma once
// The progress window's owner: its thread, its animation and GDI+, and a
// listener of the progress chain that turns Esc in the window into a
// cancellation request (Windows only).

#include <windows.h>

#include <atomic>
#include <cstdint>
#include <memory>
#include <string>

#include "progress/progress_interface.h"
#include "runtime/scoped_handle.h"

namespace krv::progress {

class ImageFromStream;
class ProgressWindow;

// Where the animator takes its resources from and how long it waits for its
// window thread. The defaults are the stub's; tests feed other images and
// shorter waits.
struct AnimatorSetup {
  // The module holding the animation (type "FILE", id 1001) and the icon
  // (id 1000), under which the window class is registered; null: the
  // executable.
  HINSTANCE module = nullptr;
  // WaitForWindow's longest wait for the window.
  uint32_t ready_timeout_ms = 5000;
  // CloseWindow's longest wait for the thread before it is terminated.
  uint32_t close_timeout_ms = 10000;
  // Called on the window thread in WM_CREATE before the frames are prepared;
  // null in the stub. Tests hold the window's creation there.
  void (*before_frames)() = nullptr;
};

class ProgressAnimator final : public ProgressInterface {
 public:
  // Starts GDI+ and loads the animation. Never fails: a step that fails
  // leaves its part out (without an animation no window thread will start).
  explicit ProgressAnimator(std::wstring title, const AnimatorSetup& setup = AnimatorSetup());
  // Closes the window and ends its thread (CloseWindow), then frees the
  // animation and shuts GDI+ down.
  virtual ~ProgressAnimator();
  ProgressAnimator(const ProgressAnimator&) = delete;
  ProgressAnimator& operator=(const ProgressAnimator&) = delete;

  // Starts the window thread, unless one was started or there is no
  // animation; with `wait_until_ready`, then WaitForWindow. A run without a
  // window goes on without one. Main thread only.
  void StartWindowThread(bool wait_until_ready = true);
  // Returns once the window is ready (at once when it was before), the
  // thread has ended (its class or window could not be made, or it was
  // closed) or the ready time-out (5,000 ms) has passed, whichever comes
  // first; at once without a thread. The window's preparation runs meanwhile
  // beside the caller, so a flow waits here only where it needs the window,
  // e.g. as the owner of a message box. Main thread only.
  void WaitForWindow();
  // Whether a window thread was started and not yet closed.
  bool HasWindowThread() const;
  // The progress window, or null when there is none (not started, not yet
  // created, failed, or closed); published as soon as the system has made
  // it, while WM_CREATE still prepares the frames. To own the main flow's
  // message boxes.
  HWND Window() const;
  // Posts WM_CLOSE to the window when it exists (or has it posted as soon as
  // the window exists, when the thread is still making it), waits for the
  // thread up to
  // the close time-out (10,000 ms) and terminates it with exit code 1 when it
  // has not ended by then; forgets the thread. Does nothing without a thread.
  // Main thread only.
  void CloseWindow();

  // The last overall percentage reported, -1 before the first report.
  int32_t LastOverallPercent() const { return last_percent_.load(); }
  // The animation, null when it could not be loaded. Its frames are used by
  // the window thread: read it only while no window thread runs.
  const ImageFromStream* Animation() const { return animation_.get(); }

  // Progress chain: OnProgress records the overall percentage and, when Esc
  // was pressed in the window since the last report, sets the callback's
  // cancel flag (once per press). The other reports are ignored. Any thread;
  // never blocks and never calls into the window.
  void OnText(ProgressCallback*, const wchar_t*) override {}
  void OnSubtext(ProgressCallback*, const wchar_t*) override {}
  void OnProgress(ProgressCallback* callback, uint32_t step_percent, uint32_t overall_percent) override;
  void OnValue(ProgressCallback*, uint32_t) override {}
  void OnValuePair(ProgressCallback*, uint32_t, uint32_t) override {}
  void OnSecondValue(ProgressCallback*, uint32_t) override {}
  void OnSignal(uint32_t) override {}

 private:
  os::scoped_handle ready_event_;  // manual-reset; signalled once by the window thread
  ULONG_PTR gdiplus_token_ = 0;    // 0: GDI+ did not start
  AnimatorSetup setup_;            // module filled in
  std::unique_ptr<ImageFromStream> animation_;
  std::unique_ptr<ProgressWindow> window_;  // only with an animation; holds the title
  os::scoped_handle thread_;
  std::atomic<int32_t> last_percent_{-1};
};

}  // namespace krv::progress
