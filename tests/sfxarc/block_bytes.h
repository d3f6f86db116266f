#pragma once
// Packed blocks made byte by byte, so that tests can give any header.

#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "sfxarc/data_packer.h"
#include "sfxarc/pack_block.h"

namespace krv::sfxarc::testing {

inline void AppendU32(std::vector<uint8_t>& out, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(value >> shift));
}

inline std::vector<uint8_t> Bytes(const std::string& text) { return std::vector<uint8_t>(text.begin(), text.end()); }

// magic (16 bytes), U, N, then `data` (which need not be N bytes long).
inline std::vector<uint8_t> BlockBytes(const char* magic, uint32_t unpacked, uint32_t packed,
                                       const std::vector<uint8_t>& data) {
  std::vector<uint8_t> out(magic, magic + 16);
  AppendU32(out, unpacked);
  AppendU32(out, packed);
  out.insert(out.end(), data.begin(), data.end());
  return out;
}

// A whole block of `data` packed by `id`, with its true sizes.
inline std::vector<uint8_t> PackedBlock(PackerId id, const std::vector<uint8_t>& data) {
  std::vector<uint8_t> block;
  PackBlock(id, data, &block);
  return block;
}

// The packed bytes of such a block (behind its 24-byte header).
inline std::vector<uint8_t> Packed(PackerId id, const std::vector<uint8_t>& data) {
  const std::vector<uint8_t> block = PackedBlock(id, data);
  return std::vector<uint8_t>(block.begin() + 24, block.end());
}

}  // namespace krv::sfxarc::testing
