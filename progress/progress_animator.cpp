#include "progress/progress_animator.h"

#include <objidl.h>
#include <gdiplus.h>

#include "progress/animation_resource.h"
#include "progress/image_from_stream.h"
#include "progress/progress_callback.h"
#include "progress/progress_window.h"

namespace krv::progress {

ProgressAnimator::ProgressAnimator(std::wstring title, const AnimatorSetup& setup)
    : ready_event_(CreateEventW(nullptr, TRUE, FALSE, nullptr)), setup_(setup) {
  if (!setup_.module) setup_.module = GetModuleHandleW(nullptr);
  // GDI+ version 1, no debug callback, its background thread and external
  // codecs allowed.
  Gdiplus::GdiplusStartupInput input;
  ULONG_PTR token = 0;
  if (Gdiplus::GdiplusStartup(&token, &input, nullptr) != Gdiplus::Ok) return;
  gdiplus_token_ = token;
  animation_ = LoadAnimation(setup_.module);
  if (animation_)
    window_ = std::make_unique<ProgressWindow>(setup_.module, std::move(title), animation_.get(), ready_event_.get(),
                                               setup_.before_frames);
}

ProgressAnimator::~ProgressAnimator() {
  CloseWindow();
  window_.reset();
  animation_.reset();
  if (gdiplus_token_) Gdiplus::GdiplusShutdown(gdiplus_token_);
}

void ProgressAnimator::StartWindowThread(bool wait_until_ready) {
  // The window takes its size and every frame from the animation: without
  // one there is nothing to show, so no thread starts and the run goes on at
  // once instead of waiting for a window that cannot come.
  if (thread_.valid() || !window_) return;
  thread_.reset(CreateThread(nullptr, 0, ProgressWindow::ThreadMain, window_.get(), 0, nullptr));
  if (wait_until_ready) WaitForWindow();
}

void ProgressAnimator::WaitForWindow() {
  if (!thread_.valid() || !ready_event_.valid()) return;
  // A thread that ends has made no window (it failed, or was closed while
  // making it): no need to wait on.
  const HANDLE waits[] = {ready_event_.get(), thread_.get()};
  WaitForMultipleObjects(2, waits, FALSE, setup_.ready_timeout_ms);
}

bool ProgressAnimator::HasWindowThread() const { return thread_.valid(); }

HWND ProgressAnimator::Window() const { return window_ ? window_->Handle() : nullptr; }

void ProgressAnimator::CloseWindow() {
  if (!thread_.valid()) return;
  window_->PostClose();
  if (WaitForSingleObject(thread_.get(), setup_.close_timeout_ms) == WAIT_TIMEOUT) {
    TerminateThread(thread_.get(), 1);
    // Termination is asynchronous: the thread must be gone before the
    // frames and the image it may still be using are freed.
    WaitForSingleObject(thread_.get(), setup_.close_timeout_ms);
  }
  thread_.reset();
}

void ProgressAnimator::OnProgress(ProgressCallback* callback, uint32_t, uint32_t overall_percent) {
  last_percent_.store(static_cast<int32_t>(overall_percent));
  if (window_ && window_->TakeEscape() && callback) callback->RequestCancel();
}

}  // namespace krv::progress
