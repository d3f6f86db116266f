#include "LzmaEnc.h"
#include "sfxarc/data_packer_lzma.h"
#include "sfxarc/lzma_allocator.h"

namespace krv::sfxarc {

namespace {

constexpr uint32_t kPropertiesSize = LZMA_PROPS_SIZE;
constexpr uint32_t kDictionarySize = 0x400000;

}  // namespace

int DataPackerLzma::Pack(const uint8_t* src, uint32_t n, uint8_t* dst, uint32_t* dst_len) {
  if (*dst_len <= kPropertiesSize) return kLzmaNoRoomForProperties;
  CLzmaEncProps props;
  LzmaEncProps_Init(&props);
  props.level = 5;
  props.dictSize = kDictionarySize;
  props.lc = 3;
  props.lp = 0;
  props.pb = 2;
  props.fb = 32;
  props.btMode = 1;
  props.numHashBytes = 4;
  props.numThreads = 2;
  props.writeEndMark = 0;
  SizeT stream_size = *dst_len - kPropertiesSize;
  SizeT props_size = kPropertiesSize;
  const SRes result = LzmaEncode(dst + kPropertiesSize, &stream_size, src, n, &props, dst, &props_size,
                                 0, nullptr, LzmaAllocator(), LzmaAllocator());
  *dst_len = static_cast<uint32_t>(stream_size + kPropertiesSize);
  return result;
}

}  // namespace krv::sfxarc
