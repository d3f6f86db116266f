#include "sfxarc/signature/byte_source.h"

#include <cstring>

namespace krv::signature {

bool MemoryByteSource::ReadAt(uint64_t offset, void* buffer, uint32_t n) {
  if (offset > size_ || n > size_ - offset) return false;
  std::memcpy(buffer, data_ + offset, n);
  return true;
}

}  // namespace krv::signature
