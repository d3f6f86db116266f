#pragma once
// Arithmetic modulo a number m of any length: the product and the inverse the
// DSA check needs modulo q.

#include "sfxarc/signature/big_unsigned.h"

namespace krv::signature {

// *out = a * b mod m. Returns false and leaves *out unchanged when m is zero.
bool MultiplyMod(const BigUnsigned& a, const BigUnsigned& b, const BigUnsigned& m, BigUnsigned* out);

// *out = the x in [1, m) with a * x = 1 mod m (a of any size). Returns false
// and leaves *out unchanged when there is none: m below 2, or a and m with a
// common factor (a = 0 mod m included). Takes a number of steps bounded by
// the bit lengths of a and m, whatever their values.
bool InverseMod(const BigUnsigned& a, const BigUnsigned& m, BigUnsigned* out);

}  // namespace krv::signature
