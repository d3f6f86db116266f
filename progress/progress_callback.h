#pragma once
// The progress chain that extraction reports to.

#include <vector>

#include "progress/progress_interface.h"

namespace krv::progress {

class ProgressCallback {
 public:
  // Appends the listener unless it is null or already present; the callback
  // does not own it. True when added.
  bool AddListener(ProgressInterface* listener);

 private:
  // Not built yet: counters, percentages and notifications come with the
  // progress chain; until then listeners are only collected.
  std::vector<ProgressInterface*> listeners_;
};

}  // namespace krv::progress
