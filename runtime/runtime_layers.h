#pragma once
// Attach and detach of the runtime support layers (process facts, optional
// system functions, product path table). Reference-counted: every attach is
// matched by a detach, in reverse order.

namespace krv::runtime {

void AttachRuntimeLayers();
void DetachRuntimeLayers();

}  // namespace krv::runtime
