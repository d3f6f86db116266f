#include "sfxarc/signature/byte_source.h"

#include <cstring>

namespace krv::signature {

bool MemoryByteSource::ReadAt(uint64_t offset, void* buffer, uint32_t n) {
  if (offset > size_ || n > size_ - offset) return false;
  std::memcpy(buffer, data_ + offset, n);
  return true;
}

const uint8_t* MemoryByteSource::Content(uint64_t n) {
  if (n == 0 || n > size_) return nullptr;
  return data_;
}

}  // namespace krv::signature
