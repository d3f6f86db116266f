#include "progress/progress_callback.h"

#include <algorithm>

namespace krv::progress {

bool ProgressCallback::AddListener(ProgressInterface* listener) {
  if (!listener || std::find(listeners_.begin(), listeners_.end(), listener) != listeners_.end()) return false;
  listeners_.push_back(listener);
  return true;
}

}  // namespace krv::progress
