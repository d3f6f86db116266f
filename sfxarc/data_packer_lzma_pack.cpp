#include <cstdlib>

#include "LzmaEnc.h"
#include "sfxarc/data_packer_lzma.h"

namespace krv::sfxarc {

namespace {

constexpr uint32_t kPropertiesSize = LZMA_PROPS_SIZE;
constexpr uint32_t kDictionarySize = 0x400000;

// malloc and free behind the allocator interface of the encoder used here
// (the current LZMA SDK's, which differs from the 9.22 one of the decoder).
void* Allocate(ISzAllocPtr, size_t size) { return std::malloc(size); }
void Release(ISzAllocPtr, void* address) { std::free(address); }
const ISzAlloc kAllocator = {Allocate, Release};

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
  // The binary-tree match finder runs on a thread of its own beside the
  // encoding one; the stream is the same as with one thread.
  props.numThreads = 2;
  props.writeEndMark = 0;
  SizeT stream_size = *dst_len - kPropertiesSize;
  SizeT props_size = kPropertiesSize;
  const SRes result = LzmaEncode(dst + kPropertiesSize, &stream_size, src, n, &props, dst, &props_size, 0, nullptr,
                                 &kAllocator, &kAllocator);
  *dst_len = static_cast<uint32_t>(stream_size + kPropertiesSize);
  return result;
}

}  // namespace krv::sfxarc
