#include "sfxarc/signature/big_unsigned.h"

#include <algorithm>

namespace krv::signature {

BigUnsigned::BigUnsigned(Limb value) {
  if (value != 0) limbs_.push_back(value);
}

BigUnsigned::BigUnsigned(Limbs limbs) : limbs_(std::move(limbs)) { Trim(); }

BigUnsigned BigUnsigned::FromBigEndian(const uint8_t* data, size_t size) {
  Limbs limbs((size + sizeof(Limb) - 1) / sizeof(Limb), 0);
  for (size_t i = 0; i < size; ++i) {
    const size_t from_end = size - 1 - i;
    limbs[from_end / sizeof(Limb)] |= Limb(data[i]) << (8 * (from_end % sizeof(Limb)));
  }
  return BigUnsigned(std::move(limbs));
}

BigUnsigned BigUnsigned::FromLimbs(const Limb* limbs, size_t count) {
  return BigUnsigned(Limbs(limbs, limbs + count));
}

void BigUnsigned::Trim() {
  while (!limbs_.empty() && limbs_.back() == 0) limbs_.pop_back();
}

size_t BigUnsigned::BitLength() const {
  if (limbs_.empty()) return 0;
  size_t bits = (limbs_.size() - 1) * kLimbBits;
  for (Limb top = limbs_.back(); top != 0; top >>= 1) ++bits;
  return bits;
}

bool BigUnsigned::Bit(size_t index) const {
  const size_t limb = index / kLimbBits;
  return limb < limbs_.size() && ((limbs_[limb] >> (index % kLimbBits)) & 1) != 0;
}

void BigUnsigned::Add(const BigUnsigned& other) {
  if (limbs_.size() < other.limbs_.size()) limbs_.resize(other.limbs_.size(), 0);
  uint64_t carry = 0;
  for (size_t i = 0; i < limbs_.size(); ++i) {
    carry += uint64_t(limbs_[i]) + other.LimbAt(i);
    limbs_[i] = Limb(carry);
    carry >>= kLimbBits;
  }
  if (carry != 0) limbs_.push_back(Limb(carry));
}

void BigUnsigned::Subtract(const BigUnsigned& other) {
  Limb borrow = 0;
  for (size_t i = 0; i < limbs_.size(); ++i) {
    const uint64_t take = uint64_t(other.LimbAt(i)) + borrow;
    borrow = uint64_t(limbs_[i]) < take ? 1 : 0;
    limbs_[i] = Limb(uint64_t(limbs_[i]) - take);
  }
  Trim();
}

void BigUnsigned::ShiftRight(size_t bits) {
  const size_t whole = std::min(bits / kLimbBits, limbs_.size());
  const size_t part = bits % kLimbBits;
  limbs_.erase(limbs_.begin(), limbs_.begin() + whole);
  if (part != 0) {
    for (size_t i = 0; i < limbs_.size(); ++i) {
      const Limb above = i + 1 < limbs_.size() ? limbs_[i + 1] : 0;
      limbs_[i] = (limbs_[i] >> part) | (above << (kLimbBits - part));
    }
  }
  Trim();
}

void BigUnsigned::ShiftLeft(size_t bits) {
  if (limbs_.empty()) return;
  const size_t whole = bits / kLimbBits;
  const size_t part = bits % kLimbBits;
  limbs_.insert(limbs_.begin(), whole, 0);
  if (part == 0) return;
  Limb carry = 0;
  for (size_t i = whole; i < limbs_.size(); ++i) {
    const Limb next = limbs_[i] >> (kLimbBits - part);
    limbs_[i] = (limbs_[i] << part) | carry;
    carry = next;
  }
  if (carry != 0) limbs_.push_back(carry);
}

BigUnsigned Multiply(const BigUnsigned& a, const BigUnsigned& b) {
  if (a.IsZero() || b.IsZero()) return BigUnsigned();
  BigUnsigned::Limbs product(a.limbs_.size() + b.limbs_.size(), 0);
  for (size_t i = 0; i < a.limbs_.size(); ++i) {
    uint64_t carry = 0;
    for (size_t j = 0; j < b.limbs_.size(); ++j) {
      carry += uint64_t(a.limbs_[i]) * b.limbs_[j] + product[i + j];
      product[i + j] = BigUnsigned::Limb(carry);
      carry >>= BigUnsigned::kLimbBits;
    }
    product[i + b.limbs_.size()] = BigUnsigned::Limb(carry);
  }
  return BigUnsigned(std::move(product));
}

int Compare(const BigUnsigned& a, const BigUnsigned& b) {
  if (a.limbs_.size() != b.limbs_.size()) return a.limbs_.size() < b.limbs_.size() ? -1 : 1;
  for (size_t i = a.limbs_.size(); i-- > 0;) {
    if (a.limbs_[i] != b.limbs_[i]) return a.limbs_[i] < b.limbs_[i] ? -1 : 1;
  }
  return 0;
}

bool DivideWithRemainder(const BigUnsigned& a, const BigUnsigned& m, BigUnsigned* quotient,
                         BigUnsigned* remainder) {
  if (m.IsZero()) return false;
  BigUnsigned rest = a;
  BigUnsigned result;
  const size_t a_bits = a.BitLength();
  const size_t m_bits = m.BitLength();
  if (a_bits >= m_bits) {
    // rest starts as a's top m_bits - 1 bits (below m) and takes a's other
    // bits one at a time from the top; whenever it reaches m, m is taken
    // away and that bit of the quotient is one. rest stays below 2m.
    const size_t steps = a_bits - m_bits + 1;
    rest.ShiftRight(steps);
    BigUnsigned::Limbs bits(steps / BigUnsigned::kLimbBits + 1, 0);
    const BigUnsigned one(1);
    for (size_t i = steps; i-- > 0;) {
      rest.ShiftLeft(1);
      if (a.Bit(i)) rest.Add(one);
      if (Compare(rest, m) >= 0) {
        rest.Subtract(m);
        bits[i / BigUnsigned::kLimbBits] |= BigUnsigned::Limb(1) << (i % BigUnsigned::kLimbBits);
      }
    }
    result = BigUnsigned(std::move(bits));
  }
  if (quotient != nullptr) *quotient = std::move(result);
  if (remainder != nullptr) *remainder = std::move(rest);
  return true;
}

}  // namespace krv::signature
