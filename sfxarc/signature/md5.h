#pragma once
// MD5 message digest (RFC 1321): the digest of first-generation signatures
// and of the checksum form.

#include <cstddef>
#include <cstdint>

#include "sfxarc/signature/block_feeder.h"

namespace krv::signature {

class Md5 {
 public:
  static constexpr size_t kDigestSize = 16;

  Md5();

  // Adds n bytes to the message. Any split of a message into Update calls
  // gives the same digest.
  void Update(const void* data, size_t n);

  // Writes the 16-byte digest of everything added since construction or the
  // last Final, and starts a new message.
  void Final(uint8_t digest[kDigestSize]);

  // The digest of one buffer.
  static void Digest(const void* data, size_t n, uint8_t digest[kDigestSize]);

 private:
  void Reset();
  static void CompressBlocks(void* self, const uint8_t* data, size_t blocks);

  uint32_t state_[4];
  BlockFeeder feeder_;
};

}  // namespace krv::signature
