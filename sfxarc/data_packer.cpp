#include "sfxarc/data_packer.h"

#include <cstring>
#include <new>

#include "sfxarc/data_packer_lzma.h"
#include "sfxarc/data_packer_zlib.h"

namespace krv::sfxarc {

namespace {

struct PackerEntry {
  PackerId id;
  const char* magic;
};

// Searched in this order. The magics differ in their last byte only.
constexpr PackerEntry kPackers[] = {
    {kPackerZlib, "KRVsetupFPkgFile"},
    {kPackerLzma, "KRVsetupFPkgFil3"},
};

}  // namespace

PackerId PackerFromMagic(const uint8_t* magic) {
  for (const PackerEntry& entry : kPackers) {
    if (std::memcmp(magic, entry.magic, kPackerMagicSize) == 0) return entry.id;
  }
  return kPackerNone;
}

const char* PackerMagic(PackerId id) {
  for (const PackerEntry& entry : kPackers) {
    if (entry.id == id) return entry.magic;
  }
  return nullptr;
}

std::unique_ptr<DataPacker> CreatePacker(PackerId id) {
  switch (id) {
    case kPackerZlib:
      return std::unique_ptr<DataPacker>(new (std::nothrow) DataPackerZlib());
    case kPackerLzma:
      return std::unique_ptr<DataPacker>(new (std::nothrow) DataPackerLzma());
    case kPackerNone:
      break;
  }
  return nullptr;
}

}  // namespace krv::sfxarc
