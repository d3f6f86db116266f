#pragma once
// DSA signing of a digest (host side: sfxtool and tests). The nonce is derived
// from the private key and the digest (RFC 6979, HMAC-SHA-256), so the same
// key and digest always give the same signature.

#include <cstddef>
#include <cstdint>

#include "sfxarc/signature/key_file.h"

namespace krv::signature {

// Signs the digest, taken whole as a big-endian integer as DsaVerify takes it,
// with key (which must hold its private half). Writes r||s, each at the byte
// width of q, to sig, which must hold 2 * key.q.size() bytes. False when the
// key has no private half or is unusable; sig is then undefined.
bool DsaSignDigest(const DsaKey& key, const uint8_t* digest, size_t dlen, uint8_t* sig);

}  // namespace krv::signature
