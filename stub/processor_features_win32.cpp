#include <windows.h>

#include "stub/processor_features.h"

namespace krv::stub {

bool ProcessorHasSse2() { return IsProcessorFeaturePresent(PF_XMMI64_INSTRUCTIONS_AVAILABLE) != FALSE; }

}  // namespace krv::stub
