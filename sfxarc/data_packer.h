#pragma once
// The packer interface behind packed blocks, and the table that maps a
// block's magic to its packer.

#include <cstdint>
#include <memory>

namespace krv::sfxarc {

// One packing method. Objects hold no data; one is made per block.
class DataPacker {
 public:
  DataPacker() = default;
  DataPacker(const DataPacker&) = delete;
  DataPacker& operator=(const DataPacker&) = delete;
  virtual ~DataPacker() = default;

  // Packs `n` bytes at `src` into `dst`, which has room for `*dst_len` bytes;
  // `*dst_len` becomes the packed size. Returns 0 on success, else the
  // packer's own code; `dst` and `*dst_len` are unspecified then. A program
  // built without the packing code returns kPackingNotBuiltIn.
  virtual int Pack(const uint8_t* src, uint32_t n, uint8_t* dst, uint32_t* dst_len) = 0;

  // Unpacks the `n` packed bytes at `src` into `dst`, which has room for
  // `*dst_len` bytes; `*dst_len` becomes the number of bytes produced.
  // Returns 0 on success, else the packer's own code. Never reads outside
  // [src, src + n) nor writes outside [dst, dst + *dst_len).
  virtual int Unpack(const uint8_t* src, uint32_t n, uint8_t* dst, uint32_t* dst_len) = 0;

  // The destination size Pack needs at most for `n` input bytes.
  virtual uint32_t PackedBound(uint32_t n) = 0;
};

// What Pack returns in a program that is built to unpack only (the stub),
// with `*dst_len` 0: such a program links neither encoder.
constexpr int kPackingNotBuiltIn = 235;

// Packer ids, as the block magics number them.
enum PackerId : uint32_t {
  kPackerNone = 0,
  kPackerZlib = 1,
  kPackerLzma = 2,
};

// Length of a packed block's magic.
constexpr uint32_t kPackerMagicSize = 16;

// The packer whose magic equals the 16 bytes at `magic` (all of them
// compared); kPackerNone when none does.
PackerId PackerFromMagic(const uint8_t* magic);

// The 16 magic bytes of `id` (not zero-terminated); null for an unknown id.
const char* PackerMagic(PackerId id);

// A new packer object of `id`; null for an unknown id or when memory runs
// out. The caller owns it.
std::unique_ptr<DataPacker> CreatePacker(PackerId id);

}  // namespace krv::sfxarc
