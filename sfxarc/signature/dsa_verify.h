#pragma once
// DSA signature verification (FIPS 186) on big-endian byte strings.

#include <cstddef>
#include <cstdint>

namespace krv::signature {

// A byte string the caller owns; it must outlive every use of the view.
struct ByteView {
  const uint8_t* data;
  size_t size;
};

// A DSA public key: big-endian unsigned integers. The byte length of q (as
// stored, leading zeros included) fixes the length of each half of a signature.
struct DsaPublicKey {
  ByteView p;
  ByteView q;
  ByteView g;
  ByteView y;
};

// Verifies the DSA signature r||s of a digest with an explicit key. The digest
// is taken whole as a big-endian integer (no truncation to the size of q).
// False when slen is not twice the byte length of q, when r or s is 0 or not
// below q (checked before any exponentiation), when the key cannot be used
// (p even or below 3, q zero, p or q longer than 4096 significant bits), when
// s has no inverse modulo q (a composite q), or when the signature does not
// match.
bool DsaVerifyWithKey(const DsaPublicKey& key, const uint8_t* digest, size_t dlen, const uint8_t* sig,
                      size_t slen);

// The same with built-in key number key_number (1 to 14; any number outside
// 2 to 14 selects key 1).
bool DsaVerify(const uint8_t* digest, size_t dlen, const uint8_t* sig, size_t slen, int key_number);

}  // namespace krv::signature
