#pragma once
// Attach and detach of the runtime support layers: the OS facts, the
// optional system functions, the runtime brand row, the product path table
// and the self-protection device. Reference-counted: every attach is matched
// by a detach, in reverse order. Windows code; main thread, before other
// threads exist.

#include <cstdint>

namespace krv::runtime {

// Runtime start (level 1) and full initialisation with flags 0. The first
// attach records the OS facts, chooses the runtime brand row, allocates the
// product path table with the row's registry key and the Windows folder,
// seeds the random numbers with the tick count, makes sure SystemRoot is set,
// looks up the optional functions, opens the self-protection device (a
// failure is ignored), fills the product path table and sets the C runtime's
// locale to the user's default. Later attaches only count. Returns 0, or 8
// when the path table cannot be allocated; the main flow does not check it.
uint32_t AttachRuntimeLayers();

// Undoes one attach; the last releases what the first built (the optional
// functions, the device handle, the path table).
void DetachRuntimeLayers();

}  // namespace krv::runtime
