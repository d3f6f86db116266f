#include "sfxarc/unpack_block.h"

#include <exception>
#include <memory>

#include "sfxarc/file_block.h"

namespace krv::sfxarc {

bool ReadPackedBlockHeader(CGenFile& file, PackedBlockHeader* header) {
  *header = PackedBlockHeader();
  uint8_t magic[kPackerMagicSize] = {};
  uint32_t count = 0;
  file.Seek(0, kSeekFromStart);
  if (!file.Read(magic, kPackerMagicSize, &count) || count != kPackerMagicSize) return false;
  header->packer = PackerFromMagic(magic);
  const bool sizes_read = ReadU32(file, &header->unpacked_size) && ReadU32(file, &header->packed_size);
  return header->packer != kPackerNone && sizes_read;
}

uint32_t UnpackBlock(CGenFile& file, std::vector<uint8_t>& out, uint32_t max_unpacked_size) {
  try {
    PackedBlockHeader header;
    if (!ReadPackedBlockHeader(file, &header)) {
      // A known magic with its sizes missing means the packed bytes are
      // missing too.
      return header.packer == kPackerNone ? kBrokenPackage : kNotEnoughMemory;
    }
    if (header.unpacked_size > kMaxUnpackedSize || header.unpacked_size > max_unpacked_size) return kBrokenPackage;
    FileBlock packed(file, header.packed_size);
    if (!packed) return kNotEnoughMemory;
    std::unique_ptr<DataPacker> packer = CreatePacker(header.packer);
    if (!packer) return kNotEnoughMemory;
    if (header.unpacked_size > static_cast<uint64_t>(header.packed_size) * kMaxExpansion) return kBrokenPackage;
    out.assign(header.unpacked_size, 0);
    uint32_t length = header.unpacked_size;
    return packer->Unpack(packed.data(), header.packed_size, out.data(), &length) == 0 ? 0 : kBrokenPackage;
  } catch (const std::exception&) {
    return kBrokenPackage;
  }
}

}  // namespace krv::sfxarc
