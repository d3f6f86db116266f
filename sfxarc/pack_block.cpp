#include "sfxarc/pack_block.h"

#include <cstring>
#include <memory>

#include "sfxarc/unpack_block.h"

namespace krv::sfxarc {

namespace {

void PutU32(uint8_t* at, uint32_t value) {
  for (int i = 0; i < 4; ++i) at[i] = static_cast<uint8_t>(value >> (8 * i));
}

}  // namespace

int PackBlock(PackerId id, const std::vector<uint8_t>& data, std::vector<uint8_t>* block) {
  std::unique_ptr<DataPacker> packer = CreatePacker(id);
  if (!packer || data.size() > 0xFFFFFFFFu) return -1;
  const uint32_t n = static_cast<uint32_t>(data.size());
  uint32_t packed_size = packer->PackedBound(n);
  std::vector<uint8_t> out(kPackedBlockHeaderSize + static_cast<size_t>(packed_size));
  const int result = packer->Pack(data.data(), n, out.data() + kPackedBlockHeaderSize, &packed_size);
  if (result != 0) return result;
  std::memcpy(out.data(), PackerMagic(id), kPackerMagicSize);
  PutU32(out.data() + kPackerMagicSize, n);
  PutU32(out.data() + kPackerMagicSize + 4, packed_size);
  out.resize(kPackedBlockHeaderSize + static_cast<size_t>(packed_size));
  block->insert(block->end(), out.begin(), out.end());
  return 0;
}

}  // namespace krv::sfxarc
