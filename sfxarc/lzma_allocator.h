#pragma once
// The heap allocator the LZMA coder's calls take. Only the LZMA packer's
// own files include this: the coder's Types.h is no header for the core.

#include "Types.h"

namespace krv::sfxarc {

// malloc and free behind the coder's allocator interface; the object lives
// as long as the program.
ISzAlloc* LzmaAllocator();

}  // namespace krv::sfxarc
