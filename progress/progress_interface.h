#pragma once
// A listener of the progress chain. Every operation is called with the
// chain's lock held, from whichever thread reports.

#include <cstdint>

namespace krv::progress {

class ProgressCallback;

class ProgressInterface {
 public:
  virtual void OnText(ProgressCallback* callback, const wchar_t* text) = 0;
  virtual void OnSubtext(ProgressCallback* callback, const wchar_t* text) = 0;
  // Percentages 0..100 of the current step and of the whole work.
  virtual void OnProgress(ProgressCallback* callback, uint32_t step_percent, uint32_t overall_percent) = 0;
  virtual void OnValue(ProgressCallback* callback, uint32_t value) = 0;
  virtual void OnValuePair(ProgressCallback* callback, uint32_t first, uint32_t second) = 0;
  virtual void OnSecondValue(ProgressCallback* callback, uint32_t value) = 0;
  virtual void OnSignal(uint32_t value) = 0;

 protected:
  ~ProgressInterface() = default;
};

}  // namespace krv::progress
