#pragma once
// Reading one packed block.
//
// Packed block layout (little-endian):
//   [0, 16)       magic: "KRVsetupFPkgFile" = zlib, "KRVsetupFPkgFil3" = LZMA
//   [16, 20)      unpacked size U
//   [20, 24)      packed size N
//   [24, 24 + N)  packed data; for LZMA the 5 property bytes come first
// Bytes behind 24 + N (an entry's own signature block) are not part of it.

#include <cstdint>
#include <vector>

#include "sfxarc/data_packer.h"
#include "sfxarc/gen_file.h"

namespace krv::sfxarc {

// Size of the fixed part of a packed block.
constexpr uint32_t kPackedBlockHeaderSize = 24;

// The largest unpacked size accepted. A 32-bit process has 2 GiB of address
// space, so the stub could never hold a larger block; refusing it up front
// gives 64-bit hosts the same answer instead of committing gigabytes.
constexpr uint32_t kMaxUnpackedSize = 0x7FFFFFFF;

// The most unpacked bytes one packed byte can stand for, with either packer:
// deflate reaches at most 1032:1 and LZMA about 7100:1 (a 273-byte repeat
// match coded in a third of a bit), so twice the larger is ample. UnpackBlock
// answers 0xA002 to a U above N times this before it allocates the U bytes:
// such a U is no stream's output, only a demand for memory (a block of a few
// bytes would otherwise have the reader commit gigabytes of zeros).
constexpr uint32_t kMaxExpansion = 16384;

// Result codes.
constexpr uint32_t kBrokenPackage = 0xA002;
constexpr uint32_t kNotEnoughMemory = 8;

// The fixed part of a packed block.
struct PackedBlockHeader {
  PackerId packer = kPackerNone;
  uint32_t unpacked_size = 0;
  uint32_t packed_size = 0;
};

// Seeks `file` to its start and reads the block's fixed part. Returns false
// when the 24 bytes cannot be read or the magic is not a packer's; `*header`
// then holds what was read (packer kPackerNone for a bad magic).
bool ReadPackedBlockHeader(CGenFile& file, PackedBlockHeader* header);

// Unpacks the packed block that starts at offset 0 of `file` into `out`
// (owned by the caller), which then holds exactly U bytes; bytes the packer
// did not produce are zero. Returns 0; 0xA002 when the magic is unknown, U
// exceeds `max_unpacked_size` (checked before anything is allocated), the
// packer fails or an exception (memory) occurs; 8 when the N packed bytes
// are not in the file or no packer object can be made. On failure `out`
// holds U bytes or fewer, of no meaning.
uint32_t UnpackBlock(CGenFile& file, std::vector<uint8_t>& out, uint32_t max_unpacked_size = kMaxUnpackedSize);

}  // namespace krv::sfxarc
