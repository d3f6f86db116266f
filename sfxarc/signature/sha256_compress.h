#pragma once
// Internal to the SHA-256 code: the block functions behind Sha256.

#include <cstddef>
#include <cstdint>

namespace krv::signature::internal {

// The 64 round constants of FIPS 180-4, section 4.2.2.
extern const uint32_t kSha256K[64];

// Both process `blocks` consecutive 64-byte blocks into the eight-word state.
void Sha256CompressPortable(uint32_t state[8], const uint8_t* data, size_t blocks);

#if defined(__i386__) || defined(__x86_64__)
#define KRV_HAVE_SHA256_INSTRUCTIONS 1
// Needs SSSE3, SSE4.1 and the SHA extensions.
void Sha256CompressShaInstructions(uint32_t state[8], const uint8_t* data, size_t blocks);
#endif

}  // namespace krv::signature::internal
