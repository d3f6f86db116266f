#pragma once
// Packer 2: raw LZMA, a 5-byte properties header and the stream.

#include "sfxarc/data_packer.h"

namespace krv::sfxarc {

// Codes of the LZMA packer besides the decoder's and encoder's own.
constexpr int kLzmaStreamShorterThanBlock = 1001;
constexpr int kLzmaNoRoomForProperties = 234;

class DataPackerLzma : public DataPacker {
 public:
  // Defined beside Unpack, so that the class's table of operations is
  // emitted there and not beside Pack, which a program may take from
  // elsewhere (see data_packer_pack_none.cpp).
  ~DataPackerLzma() override;

  // Writes the 5 property bytes at `dst` and the stream behind them, with
  // the coder's level 5 settings (lc 3, lp 0, pb 2, 32 fast bytes, binary
  // tree with 4-byte hashing) and a 4 MiB dictionary, without end marker.
  // The match finder runs on a second thread; the bytes do not depend on it.
  // `*dst_len` becomes the stream size plus 5. Returns 234 when `*dst_len`
  // is 5 or less, else the encoder's result (0; 7 when out of room; 2 when
  // out of memory; 12 when the match finder's thread cannot start).
  int Pack(const uint8_t* src, uint32_t n, uint8_t* dst, uint32_t* dst_len) override;

  // Reads the properties (byte 0: (pb * 5 + lp) * 9 + lc; bytes 1-4: the
  // dictionary size) and decodes the stream behind them into at most
  // `*dst_len` bytes, stopping when the output is full or at an end marker.
  // An end marker right behind a full output is consumed too, as coders
  // that always write one (xz --format=lzma) leave it there.
  // Returns 0 when the stream filled the output or ended, and used up all
  // n - 5 stream bytes; 1001 when it used fewer; else the decoder's result:
  // 1 bad data, 2 out of memory, 4 unsupported properties, 6 input ended
  // before the output was complete (also when n < 10).
  int Unpack(const uint8_t* src, uint32_t n, uint8_t* dst, uint32_t* dst_len) override;

  // n * 11 / 10 + 16384, in 32-bit arithmetic.
  uint32_t PackedBound(uint32_t n) override;
};

}  // namespace krv::sfxarc
