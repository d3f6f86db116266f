#include "sfxarc/data_packer_zlib.h"

#include <zlib.h>

namespace krv::sfxarc {

DataPackerZlib::~DataPackerZlib() = default;

int DataPackerZlib::Unpack(const uint8_t* src, uint32_t n, uint8_t* dst, uint32_t* dst_len) {
  uLongf length = *dst_len;
  const int result = uncompress(dst, &length, src, n);
  *dst_len = static_cast<uint32_t>(length);
  return result;
}

uint32_t DataPackerZlib::PackedBound(uint32_t n) { return n + n / 1000 + 12; }

}  // namespace krv::sfxarc
