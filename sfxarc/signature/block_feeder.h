#pragma once
// The message framing MD5 and SHA-256 share: bytes are fed to a 64-byte
// block function, whole blocks straight from the input and the rest kept
// for the next call, and the message ends with 0x80, zeros and its length
// in bits in the last eight bytes of a block.

#include <cstddef>
#include <cstdint>
#include <cstring>

namespace krv::signature {

// How the message length is stored in the final block.
enum class LengthOrder { kLittleEndian, kBigEndian };

class BlockFeeder {
 public:
  static constexpr size_t kBlockSize = 64;
  // compress(context, data, blocks) runs the block function over `blocks`
  // whole blocks at `data`.
  using Compress = void (*)(void* context, const uint8_t* data, size_t blocks);

  void Reset() {
    length_ = 0;
    buffered_ = 0;
  }

  // Adds n bytes to the message.
  void Update(const void* data, size_t n, Compress compress, void* context) {
    if (n == 0) return;
    const uint8_t* in = static_cast<const uint8_t*>(data);
    length_ += n;
    if (buffered_ != 0) {
      const size_t take = n < kBlockSize - buffered_ ? n : kBlockSize - buffered_;
      std::memcpy(buffer_ + buffered_, in, take);
      buffered_ += take;
      in += take;
      n -= take;
      if (buffered_ < kBlockSize) return;
      compress(context, buffer_, 1);
      buffered_ = 0;
    }
    if (n >= kBlockSize) compress(context, in, n / kBlockSize);
    in += n & ~(kBlockSize - 1);
    n &= kBlockSize - 1;
    if (n != 0) std::memcpy(buffer_, in, n);
    buffered_ = n;
  }

  // Pads the message and compresses its last block or two. Reset() starts
  // the next message.
  void Finish(LengthOrder order, Compress compress, void* context) {
    const uint64_t bits = length_ * 8;
    uint8_t pad[72] = {0x80};
    const size_t pad_len = (buffered_ < 56 ? 56 : 120) - buffered_;
    for (int i = 0; i < 8; ++i)
      pad[pad_len + i] = uint8_t(bits >> (order == LengthOrder::kLittleEndian ? 8 * i : 56 - 8 * i));
    Update(pad, pad_len + 8, compress, context);
  }

 private:
  uint64_t length_ = 0;  // bytes added so far
  uint8_t buffer_[kBlockSize];
  size_t buffered_ = 0;
};

}  // namespace krv::signature
