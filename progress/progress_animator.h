#pragma once
// The progress window and its animation, run on a thread of their own.

#include <string>

#include "progress/progress_interface.h"

struct HWND__;

namespace krv::progress {

// Not built yet: the window, its thread and the animation come with the
// progress window; until then no window is ever shown.
class ProgressAnimator final : public ProgressInterface {
 public:
  explicit ProgressAnimator(std::wstring title) : title_(std::move(title)) {}
  virtual ~ProgressAnimator() = default;

  // Starts the window thread and waits up to 5,000 ms for its window.
  void StartWindowThread() {}
  bool HasWindowThread() const { return false; }
  // The window, or null when there is none.
  HWND__* Window() const { return nullptr; }
  // Closes the window and ends its thread when they exist.
  void CloseWindow() {}

  void OnText(ProgressCallback*, const wchar_t*) override {}
  void OnSubtext(ProgressCallback*, const wchar_t*) override {}
  void OnProgress(ProgressCallback*, uint32_t, uint32_t) override {}
  void OnValue(ProgressCallback*, uint32_t) override {}
  void OnValuePair(ProgressCallback*, uint32_t, uint32_t) override {}
  void OnSecondValue(ProgressCallback*, uint32_t) override {}
  void OnSignal(uint32_t) override {}

 private:
  std::wstring title_;
};

}  // namespace krv::progress
