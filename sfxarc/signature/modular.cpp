#include "sfxarc/signature/modular.h"

#include <utility>

namespace krv::signature {
namespace {

// x / 2 mod m for an odd m and x below m: x + m is even when x is odd.
void HalveMod(BigUnsigned* x, const BigUnsigned& m) {
  if (!x->IsEven()) x->Add(m);
  x->ShiftRight(1);
}

// *x = *x - y mod m, both below m.
void SubtractMod(BigUnsigned* x, const BigUnsigned& y, const BigUnsigned& m) {
  if (Compare(*x, y) < 0) x->Add(m);
  x->Subtract(y);
}

// The inverse of a modulo an odd m >= 3 by the binary extended Euclid
// algorithm: u and v shrink towards gcd(a, m) while x1 and x2 keep
// x1 * a = u and x2 * a = v mod m. Each round halves u or v at least once,
// so it ends after at most bits(a mod m) + bits(m) rounds.
bool InverseModOdd(const BigUnsigned& a, const BigUnsigned& m, BigUnsigned* out) {
  BigUnsigned u, v = m;
  DivideWithRemainder(a, m, nullptr, &u);
  BigUnsigned x1(1), x2;
  const BigUnsigned one(1);
  for (;;) {
    // u = 0 means u and v were equal: their common value, gcd(a, m), is above
    // 1 (either being 1 ended the loop before).
    if (u.IsZero()) return false;
    while (u.IsEven()) {
      u.ShiftRight(1);
      HalveMod(&x1, m);
    }
    while (v.IsEven()) {
      v.ShiftRight(1);
      HalveMod(&x2, m);
    }
    if (u == one) {
      *out = std::move(x1);
      return true;
    }
    if (v == one) {
      *out = std::move(x2);
      return true;
    }
    if (Compare(u, v) >= 0) {
      u.Subtract(v);
      SubtractMod(&x1, x2, m);
    } else {
      v.Subtract(u);
      SubtractMod(&x2, x1, m);
    }
  }
}

}  // namespace

bool MultiplyMod(const BigUnsigned& a, const BigUnsigned& b, const BigUnsigned& m, BigUnsigned* out) {
  return DivideWithRemainder(Multiply(a, b), m, nullptr, out);
}

bool InverseMod(const BigUnsigned& a, const BigUnsigned& m, BigUnsigned* out) {
  const BigUnsigned one(1);
  if (Compare(m, BigUnsigned(2)) < 0) return false;
  if (!m.IsEven()) return InverseModOdd(a, m, out);

  // An even m: only an odd a can have an inverse. With b = a mod m (odd) and
  // u = m^-1 mod b, m * (b - u) + 1 is a multiple of b and the quotient is
  // b^-1 mod m; the odd algorithm serves for u, as b is odd.
  BigUnsigned b;
  DivideWithRemainder(a, m, nullptr, &b);
  if (b.IsEven()) return false;
  if (b == one) {
    *out = one;
    return true;
  }
  BigUnsigned u;
  if (!InverseModOdd(m, b, &u)) return false;
  BigUnsigned numerator = b;
  numerator.Subtract(u);
  numerator = Multiply(m, numerator);
  numerator.Add(one);
  return DivideWithRemainder(numerator, b, out, nullptr);
}

}  // namespace krv::signature
