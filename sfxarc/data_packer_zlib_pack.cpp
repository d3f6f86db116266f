#include <zlib.h>

#include "sfxarc/data_packer_zlib.h"

namespace krv::sfxarc {

int DataPackerZlib::Pack(const uint8_t* src, uint32_t n, uint8_t* dst, uint32_t* dst_len) {
  uLongf length = *dst_len;
  const int result = compress(dst, &length, src, n);
  *dst_len = static_cast<uint32_t>(length);
  return result;
}

}  // namespace krv::sfxarc
