#include "sfxarc/signature/montgomery.h"

#include <algorithm>

namespace krv::signature {
namespace {

using Limb = BigUnsigned::Limb;

// -p0^-1 mod 2^32 for an odd p0: Newton's iteration x = x (2 - p0 x) doubles
// the correct low bits each round, from the 3 that x = p0 already has.
Limb NegatedInverseOfLimb(Limb p0) {
  Limb x = p0;
  for (int i = 0; i < 4; ++i) x *= 2 - p0 * x;
  return Limb(0) - x;
}

// t[0, n) += x[0, n) * m; returns the limb carried out. The one loop all the
// products below run through, four limbs a round (the verification's time is
// almost all spent here).
Limb MultiplyAddRow(Limb* t, const Limb* x, size_t n, Limb m) {
  uint64_t carry = 0;
  size_t j = 0;
  for (; j + 4 <= n; j += 4) {
    carry += uint64_t(x[j]) * m + t[j];
    t[j] = Limb(carry);
    carry = (carry >> 32) + uint64_t(x[j + 1]) * m + t[j + 1];
    t[j + 1] = Limb(carry);
    carry = (carry >> 32) + uint64_t(x[j + 2]) * m + t[j + 2];
    t[j + 2] = Limb(carry);
    carry = (carry >> 32) + uint64_t(x[j + 3]) * m + t[j + 3];
    t[j + 3] = Limb(carry);
    carry >>= 32;
  }
  for (; j < n; ++j) {
    carry += uint64_t(x[j]) * m + t[j];
    t[j] = Limb(carry);
    carry >>= 32;
  }
  return Limb(carry);
}

}  // namespace

bool MontgomeryModulus::Init(const BigUnsigned& p) {
  if (p.IsEven() || Compare(p, BigUnsigned(3)) < 0) return false;
  const size_t n = p.LimbCount();
  modulus_ = p;
  p_.assign(n, 0);
  for (size_t i = 0; i < n; ++i) p_[i] = p.LimbAt(i);
  p_inverse_ = NegatedInverseOfLimb(p.LimbAt(0));

  // R^2 mod p is the Montgomery form of 2^(32 n). Dividing R^2 by p bit by
  // bit would take 32 n steps over 2n limbs; instead R mod p (at most 33
  // steps: p's top limb is not zero), doubled 32 times, is the form of 2^32,
  // and its n-th power in Montgomery arithmetic is the form of 2^(32 n).
  BigUnsigned r(1);
  r.ShiftLeft(BigUnsigned::kLimbBits * n);
  BigUnsigned two_to_32;
  DivideWithRemainder(r, p, nullptr, &two_to_32);
  for (size_t i = 0; i < BigUnsigned::kLimbBits; ++i) {
    two_to_32.ShiftLeft(1);
    if (Compare(two_to_32, p) >= 0) two_to_32.Subtract(p);
  }
  Limbs base(n), wide(2 * n + 1);
  for (size_t i = 0; i < n; ++i) base[i] = two_to_32.LimbAt(i);
  r_squared_ = base;
  size_t top = 0;
  while ((n >> (top + 1)) != 0) ++top;
  for (size_t bit = top; bit-- > 0;) {
    Square(r_squared_, &wide, &r_squared_);
    if ((n >> bit) & 1) Multiply(r_squared_, base, &wide, &r_squared_);
  }
  return true;
}

void MontgomeryModulus::Multiply(const Limbs& a, const Limbs& b, Limbs* wide, Limbs* out) const {
  const size_t n = p_.size();
  Limb* t = wide->data();
  std::fill(t, t + 2 * n + 1, 0);
  for (size_t i = 0; i < n; ++i) t[i + n] = MultiplyAddRow(t + i, a.data(), n, b[i]);
  Reduce(wide, out);
}

void MontgomeryModulus::Square(const Limbs& a, Limbs* wide, Limbs* out) const {
  // The products a[i] a[j] with i < j once, doubled, then the squares a[i]^2
  // added on the diagonal.
  const size_t n = p_.size();
  Limb* t = wide->data();
  std::fill(t, t + 2 * n + 1, 0);
  for (size_t i = 0; i + 1 < n; ++i) t[i + n] = MultiplyAddRow(t + 2 * i + 1, a.data() + i + 1, n - i - 1, a[i]);
  Limb shifted_out = 0;
  for (size_t k = 0; k < 2 * n; ++k) {
    const Limb next = t[k] >> 31;
    t[k] = (t[k] << 1) | shifted_out;
    shifted_out = next;
  }
  uint64_t carry = 0;
  for (size_t i = 0; i < n; ++i) {
    const uint64_t square = uint64_t(a[i]) * a[i];
    carry += uint64_t(t[2 * i]) + Limb(square);
    t[2 * i] = Limb(carry);
    carry = (carry >> 32) + uint64_t(t[2 * i + 1]) + (square >> 32);
    t[2 * i + 1] = Limb(carry);
    carry >>= 32;
  }
  Reduce(wide, out);
}

void MontgomeryModulus::Reduce(Limbs* wide, Limbs* out) const {
  // Each round adds the multiple of p that clears the lowest remaining limb;
  // after n rounds the low half is zero and the high half, below 2p, is the
  // product divided by R. `pending` is the carry owed to the next limb up.
  const size_t n = p_.size();
  Limb* t = wide->data();
  Limb pending = 0;
  for (size_t i = 0; i < n; ++i) {
    const Limb carry = MultiplyAddRow(t + i, p_.data(), n, t[i] * p_inverse_);
    const uint64_t sum = uint64_t(t[i + n]) + carry + pending;
    t[i + n] = Limb(sum);
    pending = Limb(sum >> 32);
  }
  const Limb* high = t + n;
  bool at_least_p = pending != 0;
  if (!at_least_p) {
    at_least_p = true;  // equal to p until a limb differs
    for (size_t j = n; j-- > 0;) {
      if (high[j] != p_[j]) {
        at_least_p = high[j] > p_[j];
        break;
      }
    }
  }
  out->resize(n);
  Limb borrow = 0;
  for (size_t j = 0; j < n; ++j) {
    const uint64_t take = at_least_p ? uint64_t(p_[j]) + borrow : 0;
    borrow = uint64_t(high[j]) < take ? 1 : 0;
    (*out)[j] = Limb(uint64_t(high[j]) - take);
  }
}

MontgomeryModulus::Limbs MontgomeryModulus::ToMontgomery(const BigUnsigned& x, Limbs* wide) const {
  BigUnsigned reduced;
  DivideWithRemainder(x, modulus_, nullptr, &reduced);
  Limbs limbs(p_.size());
  for (size_t i = 0; i < limbs.size(); ++i) limbs[i] = reduced.LimbAt(i);
  Multiply(limbs, r_squared_, wide, &limbs);
  return limbs;
}

BigUnsigned MontgomeryModulus::DoubleExponentiate(const BigUnsigned& a, const BigUnsigned& e1,
                                                  const BigUnsigned& b, const BigUnsigned& e2) const {
  // Shamir's trick with two-bit windows: one pass over both exponents from
  // the top, two squarings per window and one multiplication by the
  // precomputed a^i b^j for the window's digits i of e1 and j of e2.
  const size_t n = p_.size();
  Limbs wide(2 * n + 1);
  Limbs table[16];  // table[4 i + j] = a^i b^j in Montgomery form
  table[0] = ToMontgomery(BigUnsigned(1), &wide);
  table[1] = ToMontgomery(b, &wide);
  table[4] = ToMontgomery(a, &wide);
  Square(table[1], &wide, &table[2]);
  Multiply(table[2], table[1], &wide, &table[3]);
  for (size_t i = 4; i < 16; ++i) {
    if (i % 4 == 0) {
      if (i != 4) Multiply(table[i - 4], table[4], &wide, &table[i]);
    } else {
      Multiply(table[i - 1], table[1], &wide, &table[i]);
    }
  }

  Limbs acc = table[0];
  const size_t windows = (std::max(e1.BitLength(), e2.BitLength()) + 1) / 2;
  for (size_t w = windows; w-- > 0;) {
    Square(acc, &wide, &acc);
    Square(acc, &wide, &acc);
    const size_t digit1 = (e1.Bit(2 * w + 1) ? 2 : 0) + (e1.Bit(2 * w) ? 1 : 0);
    const size_t digit2 = (e2.Bit(2 * w + 1) ? 2 : 0) + (e2.Bit(2 * w) ? 1 : 0);
    if (digit1 != 0 || digit2 != 0) Multiply(acc, table[4 * digit1 + digit2], &wide, &acc);
  }

  Limbs one(n, 0);
  one[0] = 1;
  Multiply(acc, one, &wide, &acc);
  return BigUnsigned::FromLimbs(acc.data(), acc.size());
}

}  // namespace krv::signature
