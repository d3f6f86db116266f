#include "sfxarc/signature/md5.h"

namespace krv::signature {
namespace {

// Per-step additive constants: floor(abs(sin(i + 1)) * 2^32).
constexpr uint32_t kSine[64] = {
    0xd76aa478, 0xe8c7b756, 0x242070db, 0xc1bdceee, 0xf57c0faf, 0x4787c62a, 0xa8304613, 0xfd469501,
    0x698098d8, 0x8b44f7af, 0xffff5bb1, 0x895cd7be, 0x6b901122, 0xfd987193, 0xa679438e, 0x49b40821,
    0xf61e2562, 0xc040b340, 0x265e5a51, 0xe9b6c7aa, 0xd62f105d, 0x02441453, 0xd8a1e681, 0xe7d3fbc8,
    0x21e1cde6, 0xc33707d6, 0xf4d50d87, 0x455a14ed, 0xa9e3e905, 0xfcefa3f8, 0x676f02d9, 0x8d2a4c8a,
    0xfffa3942, 0x8771f681, 0x6d9d6122, 0xfde5380c, 0xa4beea44, 0x4bdecfa9, 0xf6bb4b60, 0xbebfbc70,
    0x289b7ec6, 0xeaa127fa, 0xd4ef3085, 0x04881d05, 0xd9d4d039, 0xe6db99e5, 0x1fa27cf8, 0xc4ac5665,
    0xf4292244, 0x432aff97, 0xab9423a7, 0xfc93a039, 0x655b59c3, 0x8f0ccc92, 0xffeff47d, 0x85845dd1,
    0x6fa87e4f, 0xfe2ce6e0, 0xa3014314, 0x4e0811a1, 0xf7537e82, 0xbd3af235, 0x2ad7d2bb, 0xeb86d391};

// Left-rotation amounts, four per round.
constexpr int kShift[4][4] = {{7, 12, 17, 22}, {5, 9, 14, 20}, {4, 11, 16, 23}, {6, 10, 15, 21}};

inline uint32_t Rotl(uint32_t x, int n) { return (x << n) | (x >> (32 - n)); }

inline uint32_t LoadLe32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

inline void StoreLe32(uint32_t v, uint8_t* p) {
  p[0] = uint8_t(v);
  p[1] = uint8_t(v >> 8);
  p[2] = uint8_t(v >> 16);
  p[3] = uint8_t(v >> 24);
}

void Compress(uint32_t state[4], const uint8_t* data, size_t blocks) {
  for (; blocks != 0; --blocks, data += 64) {
    uint32_t m[16];
    for (int i = 0; i < 16; ++i) m[i] = LoadLe32(data + 4 * i);
    uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    // Fully unrolled, every index, shift and constant below is a compile-time value.
#pragma GCC unroll 64
    for (int i = 0; i < 64; ++i) {
      uint32_t f;
      int k;
      if (i < 16) {
        f = d ^ (b & (c ^ d));
        k = i;
      } else if (i < 32) {
        // (b & d) | (c & ~d) as a sum of its two disjoint halves: c & ~d
        // does not wait for b, the previous step's result.
        f = (c & ~d) + (b & d);
        k = (5 * i + 1) & 15;
      } else if (i < 48) {
        f = b ^ c ^ d;
        k = (3 * i + 5) & 15;
      } else {
        f = c ^ (b | ~d);
        k = (7 * i) & 15;
      }
      const uint32_t t = d;
      d = c;
      c = b;
      b = b + Rotl(a + f + kSine[i] + m[k], kShift[i / 16][i % 4]);
      a = t;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
  }
}

}  // namespace

Md5::Md5() { Reset(); }

void Md5::Reset() {
  state_[0] = 0x67452301;
  state_[1] = 0xefcdab89;
  state_[2] = 0x98badcfe;
  state_[3] = 0x10325476;
  feeder_.Reset();
}

void Md5::CompressBlocks(void* self, const uint8_t* data, size_t blocks) {
  Compress(static_cast<Md5*>(self)->state_, data, blocks);
}

void Md5::Update(const void* data, size_t n) { feeder_.Update(data, n, CompressBlocks, this); }

void Md5::Final(uint8_t digest[kDigestSize]) {
  feeder_.Finish(LengthOrder::kLittleEndian, CompressBlocks, this);
  for (int i = 0; i < 4; ++i) StoreLe32(state_[i], digest + 4 * i);
  Reset();
}

void Md5::Digest(const void* data, size_t n, uint8_t digest[kDigestSize]) {
  Md5 md5;
  md5.Update(data, n);
  md5.Final(digest);
}

}  // namespace krv::signature
