#pragma once
// Unsigned integers of any length for the DSA check: 32-bit limbs (the
// stub's processor is 32-bit), built from big-endian bytes, with the few
// operations the check needs. Their storage is zeroed before it is freed.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sfxarc/signature/wiping_allocator.h"

namespace krv::signature {

class BigUnsigned {
 public:
  using Limb = uint32_t;
  static constexpr size_t kLimbBits = 32;

  // Zero.
  BigUnsigned() = default;
  explicit BigUnsigned(Limb value);

  // The number whose big-endian bytes are data[0, size); leading zero bytes
  // are allowed, size 0 gives zero (data may then be null).
  static BigUnsigned FromBigEndian(const uint8_t* data, size_t size);
  // The number whose limbs, least significant first, are limbs[0, count).
  static BigUnsigned FromLimbs(const Limb* limbs, size_t count);

  bool IsZero() const { return limbs_.empty(); }
  bool IsEven() const { return limbs_.empty() || (limbs_[0] & 1) == 0; }
  // The number of significant bits (0 for zero).
  size_t BitLength() const;
  // Bit `index` (0 is the least significant); false beyond the length.
  bool Bit(size_t index) const;
  // The number of significant limbs, and limb i (0 beyond them).
  size_t LimbCount() const { return limbs_.size(); }
  Limb LimbAt(size_t i) const { return i < limbs_.size() ? limbs_[i] : 0; }

  // *this += other.
  void Add(const BigUnsigned& other);
  // *this -= other; other must not be above *this (the result would be
  // negative), which callers check first.
  void Subtract(const BigUnsigned& other);
  // *this >>= bits, and *this <<= bits.
  void ShiftRight(size_t bits);
  void ShiftLeft(size_t bits);

  // The product a * b.
  friend BigUnsigned Multiply(const BigUnsigned& a, const BigUnsigned& b);

  // -1, 0 or 1 as a is below, equal to or above b.
  friend int Compare(const BigUnsigned& a, const BigUnsigned& b);
  friend bool DivideWithRemainder(const BigUnsigned& a, const BigUnsigned& m, BigUnsigned* quotient,
                                  BigUnsigned* remainder);
  friend bool operator==(const BigUnsigned& a, const BigUnsigned& b) { return a.limbs_ == b.limbs_; }

 private:
  using Limbs = std::vector<Limb, WipingAllocator<Limb>>;
  explicit BigUnsigned(Limbs limbs);
  // Drops the zero limbs at the top, so that every number has one form.
  void Trim();

  Limbs limbs_;  // least significant first, no zero limb at the top
};

BigUnsigned Multiply(const BigUnsigned& a, const BigUnsigned& b);
int Compare(const BigUnsigned& a, const BigUnsigned& b);

// Divides a by m by shifting and subtracting: one step over m's limbs per bit
// the quotient can have, so the time grows with a's length times m's, never
// with a's length squared. Returns false and leaves both outputs unchanged
// when m is zero; else sets *quotient (when not null) and *remainder (when
// not null).
bool DivideWithRemainder(const BigUnsigned& a, const BigUnsigned& m, BigUnsigned* quotient,
                         BigUnsigned* remainder);

}  // namespace krv::signature
