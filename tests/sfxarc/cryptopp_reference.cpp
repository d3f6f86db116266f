#include "tests/sfxarc/cryptopp_reference.h"

#include <cryptopp/modarith.h>
#include <cryptopp/nbtheory.h>

namespace krv::signature::testing {

using CryptoPP::Integer;

std::vector<uint8_t> BigEndianBytes(const BigUnsigned& x) {
  std::vector<uint8_t> bytes;
  for (size_t i = x.LimbCount() * 4; i-- > 0;) {
    const uint8_t byte = uint8_t(x.LimbAt(i / 4) >> (8 * (i % 4)));
    if (byte != 0 || !bytes.empty()) bytes.push_back(byte);
  }
  return bytes;
}

std::vector<uint8_t> BigEndianBytes(const Integer& x) {
  if (x.IsZero()) return {};
  std::vector<uint8_t> bytes(x.MinEncodedSize());
  x.Encode(bytes.data(), bytes.size());
  return bytes;
}

Integer IntegerFromBytes(const uint8_t* data, size_t size) {
  return Integer(data, size, Integer::UNSIGNED, CryptoPP::BIG_ENDIAN_ORDER);
}

bool CryptoppDsaVerify(const DsaPublicKey& key, const uint8_t* digest, size_t dlen, const uint8_t* sig,
                       size_t slen) {
  const size_t half = key.q.size;
  if (half == 0 || slen != 2 * half) return false;
  const Integer q = IntegerFromBytes(key.q.data, key.q.size);
  const Integer r = IntegerFromBytes(sig, half);
  const Integer s = IntegerFromBytes(sig + half, half);
  if (q.IsZero() || r.IsZero() || s.IsZero() || r >= q || s >= q) return false;
  const Integer p = IntegerFromBytes(key.p.data, key.p.size);
  if (p.BitCount() > 4096 || q.BitCount() > 4096) return false;
  if (p.IsEven() || p < Integer(3)) return false;

  const Integer w = s.InverseMod(q);
  if (w.IsZero()) return false;  // Crypto++'s answer for "no inverse"
  const Integer u1 = a_times_b_mod_c(IntegerFromBytes(digest, dlen), w, q);
  const Integer u2 = a_times_b_mod_c(r, w, q);
  const CryptoPP::MontgomeryRepresentation mont(p);
  const Integer g = mont.ConvertIn(IntegerFromBytes(key.g.data, key.g.size));
  const Integer y = mont.ConvertIn(IntegerFromBytes(key.y.data, key.y.size));
  return mont.ConvertOut(mont.CascadeExponentiate(g, u1, y, u2)) % q == r;
}

}  // namespace krv::signature::testing
