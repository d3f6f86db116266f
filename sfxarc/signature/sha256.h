#pragma once
// SHA-256 message digest (FIPS 180-4): the digest of second-generation
// signatures. A portable block function, and one built on the processor's
// SHA extensions, chosen when the object is made.

#include <cstddef>
#include <cstdint>

#include "sfxarc/signature/block_feeder.h"

namespace krv::signature {

enum class Sha256Impl {
  kPortable,
  kShaInstructions,  // x86 SHA extensions
};

class Sha256 {
 public:
  static constexpr size_t kDigestSize = 32;

  // Takes the fast block function when QueryCpuFeatures reports the SHA
  // extensions, else the portable one.
  Sha256();

  // Which block function this object uses.
  Sha256Impl impl() const { return impl_; }

  // Adds n bytes to the message. Any split of a message into Update calls
  // gives the same digest.
  void Update(const void* data, size_t n);

  // Writes the 32-byte digest of everything added since construction or the
  // last Final, and starts a new message.
  void Final(uint8_t digest[kDigestSize]);

  // The digest of one buffer.
  static void Digest(const void* data, size_t n, uint8_t digest[kDigestSize]);

 private:
  using CompressFn = void (*)(uint32_t state[8], const uint8_t* data, size_t blocks);

  void Reset();
  static void CompressBlocks(void* self, const uint8_t* data, size_t blocks);

  Sha256Impl impl_;
  CompressFn compress_;
  uint32_t state_[8];
  BlockFeeder feeder_;
};

}  // namespace krv::signature
