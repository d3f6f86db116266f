#include "sfxarc/signature/dsa_verify.h"

#include <cryptopp/integer.h>
#include <cryptopp/modarith.h>
#include <cryptopp/nbtheory.h>

#include "sfxarc/signature/dsa_key_table.h"

namespace krv::signature {
namespace {

// Crypto++ keeps integer limbs in memory that is zeroed when released, so every
// temporary below is wiped when it goes out of scope.
CryptoPP::Integer Decode(const uint8_t* data, size_t n) {
  return CryptoPP::Integer(data, n, CryptoPP::Integer::UNSIGNED, CryptoPP::BIG_ENDIAN_ORDER);
}

}  // namespace

bool DsaVerifyWithKey(const DsaPublicKey& key, const uint8_t* digest, size_t dlen, const uint8_t* sig,
                      size_t slen) {
  const size_t half = key.q.size;
  if (half == 0 || slen != 2 * half) return false;

  const CryptoPP::Integer q = Decode(key.q.data, key.q.size);
  const CryptoPP::Integer r = Decode(sig, half);
  const CryptoPP::Integer s = Decode(sig + half, half);
  if (q.IsZero() || r.IsZero() || s.IsZero() || r >= q || s >= q) return false;

  const CryptoPP::Integer p = Decode(key.p.data, key.p.size);
  // Montgomery arithmetic needs an odd modulus; any real DSA prime is one.
  if (p.IsEven() || p < CryptoPP::Integer(3)) return false;

  const CryptoPP::Integer e = Decode(digest, dlen);
  const CryptoPP::Integer w = s.InverseMod(q);
  const CryptoPP::Integer u1 = a_times_b_mod_c(e, w, q);
  const CryptoPP::Integer u2 = a_times_b_mod_c(r, w, q);

  const CryptoPP::MontgomeryRepresentation mont(p);
  const CryptoPP::Integer g = mont.ConvertIn(Decode(key.g.data, key.g.size));
  const CryptoPP::Integer y = mont.ConvertIn(Decode(key.y.data, key.y.size));
  const CryptoPP::Integer v = mont.ConvertOut(mont.CascadeExponentiate(g, u1, y, u2)) % q;
  return v == r;
}

bool DsaVerify(const uint8_t* digest, size_t dlen, const uint8_t* sig, size_t slen, int key_number) {
  return DsaVerifyWithKey(BuiltinDsaKey(key_number), digest, dlen, sig, slen);
}

}  // namespace krv::signature
