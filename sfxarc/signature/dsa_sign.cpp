#include "sfxarc/signature/dsa_sign.h"

#include <cryptopp/gfpcrypt.h>
#include <cryptopp/integer.h>
#include <cryptopp/nbtheory.h>
#include <cryptopp/sha.h>

namespace krv::signature {
namespace {

CryptoPP::Integer Decode(const std::vector<uint8_t>& bytes) {
  return CryptoPP::Integer(bytes.data(), bytes.size(), CryptoPP::Integer::UNSIGNED, CryptoPP::BIG_ENDIAN_ORDER);
}

}  // namespace

bool DsaSignDigest(const DsaKey& key, const uint8_t* digest, size_t dlen, uint8_t* sig) {
  if (!key.present() || !key.has_private()) return false;
  try {
    const CryptoPP::Integer p = Decode(key.p);
    const CryptoPP::Integer q = Decode(key.q);
    const CryptoPP::Integer g = Decode(key.g);
    const CryptoPP::Integer x = Decode(key.x);
    if (p.IsEven() || q.IsZero() || x.IsZero() || x >= q) return false;
    const CryptoPP::Integer e(digest, dlen, CryptoPP::Integer::UNSIGNED, CryptoPP::BIG_ENDIAN_ORDER);

    CryptoPP::DL_GroupParameters_DSA params;
    params.Initialize(p, q, g);
    const CryptoPP::DL_Algorithm_DSA_RFC6979<CryptoPP::Integer, CryptoPP::SHA256> algorithm;
    const CryptoPP::Integer k = algorithm.GenerateRandom(x, q, e);
    CryptoPP::Integer r = a_exp_b_mod_c(g, k, p);
    CryptoPP::Integer s;
    algorithm.Sign(params, x, k, e, r, s);
    // r or s of zero happens only with a broken key; such a signature would
    // never verify.
    if (r.IsZero() || s.IsZero()) return false;
    r.Encode(sig, key.q.size());
    s.Encode(sig + key.q.size(), key.q.size());
    return true;
  } catch (const CryptoPP::Exception&) {
    return false;
  }
}

}  // namespace krv::signature
