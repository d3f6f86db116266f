#pragma once
// MD5 message digest (RFC 1321): the digest of first-generation signatures
// and of the checksum form.

#include <cstddef>
#include <cstdint>

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

  uint32_t state_[4];
  uint64_t length_;  // bytes added so far
  uint8_t buffer_[64];
  size_t buffered_;
};

}  // namespace krv::signature
