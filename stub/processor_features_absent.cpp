#include "stub/processor_features.h"

namespace krv::stub {

// Linked only into the test build that shows the refusal on old processors.
bool ProcessorHasSse2() { return false; }

}  // namespace krv::stub
