#pragma once
// Packer 1: a zlib stream (RFC 1950).

#include "sfxarc/data_packer.h"

namespace krv::sfxarc {

class DataPackerZlib : public DataPacker {
 public:
  // Defined beside Unpack, so that the class's table of operations is
  // emitted there and not beside Pack, which a program may take from
  // elsewhere (see data_packer_pack_none.cpp).
  ~DataPackerZlib() override;

  // zlib's compress at its default level; returns zlib's code (0 = Z_OK,
  // -5 = Z_BUF_ERROR when `*dst_len` is too small).
  int Pack(const uint8_t* src, uint32_t n, uint8_t* dst, uint32_t* dst_len) override;

  // zlib's uncompress; returns zlib's code: 0 (also when the stream holds
  // fewer bytes than `*dst_len`), -5 when it holds more, -3 for bad data.
  int Unpack(const uint8_t* src, uint32_t n, uint8_t* dst, uint32_t* dst_len) override;

  // n + n / 1000 + 12.
  uint32_t PackedBound(uint32_t n) override;
};

}  // namespace krv::sfxarc
