#pragma once
// Exponentiation modulo an odd number p in Montgomery form: the DSA check's
// g^u1 * y^u2 mod p.

#include <vector>

#include "sfxarc/signature/big_unsigned.h"
#include "sfxarc/signature/wiping_allocator.h"

namespace krv::signature {

class MontgomeryModulus {
 public:
  // An unusable modulus until Init succeeds.
  MontgomeryModulus() = default;

  // Prepares arithmetic modulo p. Returns false, and leaves the object
  // unusable, when p is even or below 3 (Montgomery form needs p odd).
  bool Init(const BigUnsigned& p);

  // a^e1 * b^e2 mod p for a and b of any size (reduced mod p first) and any
  // exponents (x^0 = 1), with one chain of squarings for both exponents.
  // Init must have succeeded.
  BigUnsigned DoubleExponentiate(const BigUnsigned& a, const BigUnsigned& e1, const BigUnsigned& b,
                                 const BigUnsigned& e2) const;

 private:
  using Limbs = std::vector<BigUnsigned::Limb, WipingAllocator<BigUnsigned::Limb>>;

  // *out = a * b / R mod p, R = 2^(32 n), for a and b below p in n limbs;
  // wide is scratch space of 2n + 1 limbs. out may be a or b.
  void Multiply(const Limbs& a, const Limbs& b, Limbs* wide, Limbs* out) const;
  // *out = a * a / R mod p, the same with half the limb products.
  void Square(const Limbs& a, Limbs* wide, Limbs* out) const;
  // *out = wide / R mod p for wide (2n + 1 limbs) below p * R; wide is
  // overwritten.
  void Reduce(Limbs* wide, Limbs* out) const;
  // x * R mod p in n limbs, x of any size.
  Limbs ToMontgomery(const BigUnsigned& x, Limbs* wide) const;

  BigUnsigned modulus_;
  Limbs p_;                          // modulus_ in exactly n limbs
  Limbs r_squared_;                  // R^2 mod p, n limbs
  BigUnsigned::Limb p_inverse_ = 0;  // -p^-1 mod 2^32
};

}  // namespace krv::signature
