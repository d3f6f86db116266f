// Fuzz target: one packed block through UnpackBlock, with either packer.
//
// Input: byte 0 picks the magic (even: zlib, odd: LZMA); the rest is the
// block behind its magic (unpacked size, packed size, packed data, and
// whatever follows). Letting the fuzzer mutate the 16 magic bytes itself
// would spend nearly all inputs on the "unknown magic" answer.

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "sfxarc/data_packer.h"
#include "sfxarc/m_file.h"
#include "sfxarc/unpack_block.h"

namespace {

// Unpacked sizes above this are skipped: UnpackBlock takes up to 2 GiB at
// its word and zeroes all of it before unpacking, which would spend the
// run on memory rather than on the decoders.
constexpr uint32_t kMaxFuzzedUnpackedSize = 16u << 20;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace krv::sfxarc;
  if (size < 1 || size > 0x10000000) return 0;
  const PackerId packer = (data[0] & 1) != 0 ? kPackerLzma : kPackerZlib;
  std::vector<uint8_t> block(kPackerMagicSize + size - 1);
  std::memcpy(block.data(), PackerMagic(packer), kPackerMagicSize);
  std::memcpy(block.data() + kPackerMagicSize, data + 1, size - 1);
  if (size - 1 >= 4) {
    uint32_t unpacked = 0;
    for (int i = 0; i < 4; ++i) unpacked |= static_cast<uint32_t>(data[1 + i]) << (8 * i);
    if (unpacked > kMaxFuzzedUnpackedSize) return 0;
  }
  CMFile view;
  view.Attach(block.data(), static_cast<uint32_t>(block.size()));
  std::vector<uint8_t> out;
  UnpackBlock(view, out);
  return 0;
}
