#include "sfxarc/lzma_allocator.h"

#include <cstdlib>

namespace krv::sfxarc {

namespace {

void* Allocate(void*, size_t size) { return std::malloc(size); }
void Release(void*, void* address) { std::free(address); }
ISzAlloc g_allocator = {Allocate, Release};

}  // namespace

ISzAlloc* LzmaAllocator() { return &g_allocator; }

}  // namespace krv::sfxarc
