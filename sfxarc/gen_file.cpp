#include "sfxarc/gen_file.h"

namespace krv::sfxarc {

bool CGenFile::Read(void*, uint32_t, uint32_t* count_read) {
  if (count_read != nullptr) *count_read = 0;
  return false;
}

uint32_t CGenFile::GetSize() { return size_; }

bool ReadU32(CGenFile& file, uint32_t* value) {
  uint32_t result = 0;
  bool complete = true;
  for (int shift = 0; shift < 32; shift += 8) {
    uint8_t byte = 0;
    if (file.Read(&byte, 1, nullptr)) {
      result |= static_cast<uint32_t>(byte) << shift;
    } else {
      complete = false;
    }
  }
  *value = result;
  return complete;
}

}  // namespace krv::sfxarc
