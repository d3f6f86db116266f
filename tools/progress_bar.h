#pragma once
// The terminal progress bar of sfxtool's long commands (build, extract).

#include <cstdint>
#include <iosfwd>

#include "progress/progress_callback.h"
#include "progress/progress_interface.h"

namespace krv::tools {

// Draws "[#####-----]  50%" on one line, redrawn in place for each new
// overall percentage. Called under the callback's lock, one call at a time.
class ProgressBar final : public progress::ProgressInterface {
 public:
  // Draws on `out`, which must outlive the bar.
  explicit ProgressBar(std::ostream& out) : out_(out) {}

  void OnProgress(progress::ProgressCallback*, uint32_t, uint32_t overall) override;
  void OnText(progress::ProgressCallback*, const wchar_t*) override {}
  void OnSubtext(progress::ProgressCallback*, const wchar_t*) override {}
  void OnValue(progress::ProgressCallback*, uint32_t) override {}
  void OnValuePair(progress::ProgressCallback*, uint32_t, uint32_t) override {}
  void OnSecondValue(progress::ProgressCallback*, uint32_t) override {}
  void OnSignal(uint32_t) override {}

  // Ends the bar's line, if one was drawn.
  void Finish();

 private:
  static constexpr uint32_t kWidth = 40;
  std::ostream& out_;
  bool drawn_ = false;
};

// Adds `bar` to `callback` when `forced` (the command's --progress) or when
// `out` is the process's standard output and that is a terminal.
void AttachProgressBar(progress::ProgressCallback& callback, ProgressBar& bar, const std::ostream& out, bool forced);

}  // namespace krv::tools
