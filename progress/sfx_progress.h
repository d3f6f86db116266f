#pragma once
// Publishes the overall extraction percentage in the registry, where other
// processes read it.

#include "progress/progress_interface.h"

namespace krv::progress {

// The listener that writes each overall percentage to the REG_DWORD value
// "KaldorProgress" of HKEY_CLASSES_ROOT\<persistent storage name> (the
// current brand's, product/persistent_storage.h). Windows only: the POSIX
// build has no registry and no SfxProgress.
class SfxProgress final : public ProgressInterface {
 public:
  // Creates the key if needed and sets the value to `overall_percent`. A
  // failure of either step is logged at level error in category "regis"
  // ("SetValueImpl: cannot set value 'KaldorProgress' = '<percent>', code
  // <FormatErrorCode>") and otherwise ignored. The last error is kept.
  void OnProgress(ProgressCallback* callback, uint32_t step_percent, uint32_t overall_percent) override;

  // Nothing to publish.
  void OnText(ProgressCallback*, const wchar_t*) override {}
  void OnSubtext(ProgressCallback*, const wchar_t*) override {}
  void OnValue(ProgressCallback*, uint32_t) override {}
  void OnValuePair(ProgressCallback*, uint32_t, uint32_t) override {}
  void OnSecondValue(ProgressCallback*, uint32_t) override {}
  void OnSignal(uint32_t) override {}
};

// The registry value SfxProgress writes.
inline constexpr wchar_t kProgressValueName[] = L"KaldorProgress";

}  // namespace krv::progress
