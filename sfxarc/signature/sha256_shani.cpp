// The SHA-256 block function on the x86 SHA extensions. This file alone is
// compiled with -msse4.1 -msha; Sha256 calls it only when the processor
// reports those instructions.

#include <immintrin.h>

#include "sfxarc/signature/sha256_compress.h"

namespace krv::signature::internal {

void Sha256CompressShaInstructions(uint32_t state[8], const uint8_t* data, size_t blocks) {
  // Byte order of each 32-bit word is reversed on load (the message is big-endian).
  const __m128i byte_swap = _mm_set_epi64x(0x0c0d0e0f08090a0bULL, 0x0405060700010203ULL);

  // The instructions keep the state as ABEF and CDGH.
  __m128i tmp = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state)), 0xB1);  // CDAB
  __m128i cdgh = _mm_shuffle_epi32(_mm_loadu_si128(reinterpret_cast<const __m128i*>(state + 4)), 0x1B);  // EFGH
  __m128i abef = _mm_alignr_epi8(tmp, cdgh, 8);
  cdgh = _mm_blend_epi16(cdgh, tmp, 0xF0);

  for (; blocks != 0; --blocks, data += 64) {
    const __m128i abef_saved = abef;
    const __m128i cdgh_saved = cdgh;
    __m128i w[4];  // the last sixteen schedule words, four per vector
#pragma GCC unroll 16
    for (int group = 0; group < 16; ++group) {
      __m128i& m = w[group & 3];
      if (group < 4) {
        m = _mm_shuffle_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(data + 16 * group)), byte_swap);
      } else {
        // W[i] = s1(W[i-2]) + W[i-7] + s0(W[i-15]) + W[i-16], four at a time.
        const __m128i older = _mm_sha256msg1_epu32(m, w[(group + 1) & 3]);
        const __m128i minus7 = _mm_alignr_epi8(w[(group + 3) & 3], w[(group + 2) & 3], 4);
        m = _mm_sha256msg2_epu32(_mm_add_epi32(older, minus7), w[(group + 3) & 3]);
      }
      __m128i msg = _mm_add_epi32(m, _mm_loadu_si128(reinterpret_cast<const __m128i*>(kSha256K + 4 * group)));
      cdgh = _mm_sha256rnds2_epu32(cdgh, abef, msg);
      msg = _mm_shuffle_epi32(msg, 0x0E);
      abef = _mm_sha256rnds2_epu32(abef, cdgh, msg);
    }
    abef = _mm_add_epi32(abef, abef_saved);
    cdgh = _mm_add_epi32(cdgh, cdgh_saved);
  }

  tmp = _mm_shuffle_epi32(abef, 0x1B);                                    // FEBA
  cdgh = _mm_shuffle_epi32(cdgh, 0xB1);                                   // DCHG
  _mm_storeu_si128(reinterpret_cast<__m128i*>(state), _mm_blend_epi16(tmp, cdgh, 0xF0));  // DCBA
  _mm_storeu_si128(reinterpret_cast<__m128i*>(state + 4), _mm_alignr_epi8(cdgh, tmp, 8));  // HGFE
}

}  // namespace krv::signature::internal
