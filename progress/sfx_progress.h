#pragma once
// Publishes the overall extraction percentage in the registry.

#include "progress/progress_interface.h"

namespace krv::progress {

// Not built yet: the registry value is written with the progress chain;
// until then every report is ignored.
class SfxProgress final : public ProgressInterface {
 public:
  void OnText(ProgressCallback*, const wchar_t*) override {}
  void OnSubtext(ProgressCallback*, const wchar_t*) override {}
  void OnProgress(ProgressCallback*, uint32_t, uint32_t) override {}
  void OnValue(ProgressCallback*, uint32_t) override {}
  void OnValuePair(ProgressCallback*, uint32_t, uint32_t) override {}
  void OnSecondValue(ProgressCallback*, uint32_t) override {}
  void OnSignal(uint32_t) override {}
};

}  // namespace krv::progress
