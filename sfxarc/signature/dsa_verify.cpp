#include "sfxarc/signature/dsa_verify.h"

#include "sfxarc/signature/big_unsigned.h"
#include "sfxarc/signature/dsa_key_table.h"
#include "sfxarc/signature/modular.h"
#include "sfxarc/signature/montgomery.h"

namespace krv::signature {
namespace {

// Twice the largest real key (2048 bits): a key file handed to sfxtool is
// user input, and the work grows with the square of p's length times q's.
constexpr size_t kMaxKeyBits = 4096;

BigUnsigned Decode(const uint8_t* data, size_t n) { return BigUnsigned::FromBigEndian(data, n); }

}  // namespace

bool DsaVerifyWithKey(const DsaPublicKey& key, const uint8_t* digest, size_t dlen, const uint8_t* sig,
                      size_t slen) {
  const size_t half = key.q.size;
  if (half == 0 || slen != 2 * half) return false;

  const BigUnsigned q = Decode(key.q.data, key.q.size);
  const BigUnsigned r = Decode(sig, half);
  const BigUnsigned s = Decode(sig + half, half);
  if (q.IsZero() || r.IsZero() || s.IsZero() || Compare(r, q) >= 0 || Compare(s, q) >= 0) return false;
  if (q.BitLength() > kMaxKeyBits) return false;

  const BigUnsigned p = Decode(key.p.data, key.p.size);
  if (p.BitLength() > kMaxKeyBits) return false;
  MontgomeryModulus mod_p;
  if (!mod_p.Init(p)) return false;  // p even or below 3

  // No inverse (a composite q) is a failed check: taking w = 0 instead would
  // make v = 1 and accept r = 1 for any digest.
  BigUnsigned w;
  if (!InverseMod(s, q, &w)) return false;
  BigUnsigned u1, u2;
  MultiplyMod(Decode(digest, dlen), w, q, &u1);
  MultiplyMod(r, w, q, &u2);

  const BigUnsigned g = Decode(key.g.data, key.g.size);
  const BigUnsigned y = Decode(key.y.data, key.y.size);
  BigUnsigned v;
  DivideWithRemainder(mod_p.DoubleExponentiate(g, u1, y, u2), q, nullptr, &v);
  return v == r;
}

bool DsaVerify(const uint8_t* digest, size_t dlen, const uint8_t* sig, size_t slen, int key_number) {
  return DsaVerifyWithKey(BuiltinDsaKey(key_number), digest, dlen, sig, slen);
}

}  // namespace krv::signature
