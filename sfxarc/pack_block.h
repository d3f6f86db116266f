#pragma once
// Making one packed block (the layout is in unpack_block.h). Host side: the
// package writer and tests use it; the stub only unpacks.

#include <cstdint>
#include <vector>

#include "sfxarc/data_packer.h"

namespace krv::sfxarc {

// Packs `data` with packer `id` into a whole block (magic, U, N, packed
// bytes), appended to `*block`. Returns 0; -1 for an unknown id or data of
// 4 GiB or more; else the packer's code, with `*block` as it was.
int PackBlock(PackerId id, const std::vector<uint8_t>& data, std::vector<uint8_t>* block);

}  // namespace krv::sfxarc
