#include "runtime/runtime_layers.h"

namespace krv::runtime {

// Not built yet: the OS facts, optional imports and the product path table
// come with product discovery; until then attaching sets nothing up.
void AttachRuntimeLayers() {}
void DetachRuntimeLayers() {}

}  // namespace krv::runtime
