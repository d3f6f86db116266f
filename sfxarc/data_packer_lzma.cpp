#include "sfxarc/data_packer_lzma.h"

#include <cstdlib>

#include "LzmaDec.h"

namespace krv::sfxarc {

namespace {

// malloc and free behind the decoder's allocator interface.
void* Allocate(void*, size_t size) { return std::malloc(size); }
void Release(void*, void* address) { std::free(address); }
ISzAlloc g_allocator = {Allocate, Release};

constexpr uint32_t kPropertiesSize = LZMA_PROPS_SIZE;
// The range decoder starts by reading this many stream bytes.
constexpr uint32_t kRangeCoderInitSize = 5;

// Owns the probability tables of one decoder.
class Decoder {
 public:
  Decoder() { LzmaDec_Construct(&state_); }
  Decoder(const Decoder&) = delete;
  Decoder& operator=(const Decoder&) = delete;
  ~Decoder() { LzmaDec_FreeProbs(&state_, &g_allocator); }
  CLzmaDec* state() { return &state_; }

 private:
  CLzmaDec state_;
};

}  // namespace

DataPackerLzma::~DataPackerLzma() = default;

int DataPackerLzma::Unpack(const uint8_t* src, uint32_t n, uint8_t* dst, uint32_t* dst_len) {
  const uint32_t capacity = *dst_len;
  *dst_len = 0;
  if (n < kPropertiesSize + kRangeCoderInitSize) return SZ_ERROR_INPUT_EOF;
  const uint8_t* stream = src + kPropertiesSize;
  const SizeT stream_size = n - kPropertiesSize;

  Decoder decoder;
  CLzmaDec* state = decoder.state();
  const SRes props_result = LzmaDec_AllocateProbs(state, src, kPropertiesSize, &g_allocator);
  if (props_result != SZ_OK) return props_result;
  // The output buffer is the dictionary, as in the coder's one-call decoder.
  state->dic = dst;
  state->dicBufSize = capacity;
  LzmaDec_Init(state);

  SizeT consumed = stream_size;
  ELzmaStatus status = LZMA_STATUS_NOT_SPECIFIED;
  SRes result = LzmaDec_DecodeToDic(state, capacity, stream, &consumed, LZMA_FINISH_ANY, &status);
  if (result == SZ_OK && status == LZMA_STATUS_NEEDS_MORE_INPUT) result = SZ_ERROR_INPUT_EOF;
  if (result == SZ_OK && status == LZMA_STATUS_NOT_FINISHED && consumed < stream_size) {
    // The output is full and the stream goes on: accept exactly an end
    // marker there; anything else stays unconsumed and counts as spare.
    SizeT marker = stream_size - consumed;
    ELzmaStatus marker_status = LZMA_STATUS_NOT_SPECIFIED;
    if (LzmaDec_DecodeToDic(state, capacity, stream + consumed, &marker, LZMA_FINISH_END, &marker_status) ==
            SZ_OK &&
        marker_status == LZMA_STATUS_FINISHED_WITH_MARK) {
      consumed += marker;
    }
  }
  *dst_len = static_cast<uint32_t>(state->dicPos);
  if (result != SZ_OK) return result;
  return consumed < stream_size ? kLzmaStreamShorterThanBlock : 0;
}

uint32_t DataPackerLzma::PackedBound(uint32_t n) { return n * 11 / 10 + 0x4000; }

}  // namespace krv::sfxarc
