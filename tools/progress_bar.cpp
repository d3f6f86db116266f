#include "tools/progress_bar.h"

#include <iomanip>
#include <iostream>
#include <string>

#if defined(_WIN32)
#include <io.h>
#else
#include <unistd.h>
#endif

namespace krv::tools {

namespace {

bool StdoutIsTerminal() {
#if defined(_WIN32)
  return _isatty(_fileno(stdout)) != 0;
#else
  return isatty(STDOUT_FILENO) != 0;
#endif
}

}  // namespace

void ProgressBar::OnProgress(progress::ProgressCallback*, uint32_t, uint32_t overall) {
  const uint32_t filled = overall * kWidth / 100;
  out_ << "\r[" << std::string(filled, '#') << std::string(kWidth - filled, '-') << "] " << std::setw(3) << overall
       << "%" << std::flush;
  drawn_ = true;
}

void ProgressBar::Finish() {
  if (drawn_) out_ << "\n";
}

void AttachProgressBar(progress::ProgressCallback& callback, ProgressBar& bar, const std::ostream& out, bool forced) {
  if (forced || (&out == &std::cout && StdoutIsTerminal())) callback.AddListener(&bar);
}

}  // namespace krv::tools
