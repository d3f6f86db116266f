#include "sfxarc/signature/key_generation.h"

#include <cryptopp/argnames.h>
#include <cryptopp/gfpcrypt.h>
#include <cryptopp/integer.h>
#include <cryptopp/nbtheory.h>
#include <cryptopp/osrng.h>

namespace krv::signature {
namespace {

std::vector<uint8_t> Encode(const CryptoPP::Integer& value, size_t width) {
  std::vector<uint8_t> bytes(width);
  value.Encode(bytes.data(), width);
  return bytes;
}

CryptoPP::Integer Decode(const std::vector<uint8_t>& bytes) {
  return CryptoPP::Integer(bytes.data(), bytes.size(), CryptoPP::Integer::UNSIGNED, CryptoPP::BIG_ENDIAN_ORDER);
}

}  // namespace

bool GenerateDsaKey(int p_bits, int q_bits, const DsaKey* shared, DsaKey* out) {
  *out = DsaKey();
  if (!((p_bits == 1024 && q_bits == 160) || (p_bits == 2048 && q_bits == 256))) return false;
  const size_t p_bytes = size_t(p_bits) / 8;
  const size_t q_bytes = size_t(q_bits) / 8;
  try {
    CryptoPP::AutoSeededRandomPool rng;
    CryptoPP::DL_GroupParameters_DSA params;
    if (shared) {
      if (shared->p.size() != p_bytes || shared->q.size() != q_bytes) return false;
      params.Initialize(Decode(shared->p), Decode(shared->q), Decode(shared->g));
    } else {
      params.GenerateRandom(rng, CryptoPP::MakeParameters(CryptoPP::Name::ModulusSize(), p_bits)(
                                     CryptoPP::Name::SubgroupOrderSize(), q_bits));
    }
    const CryptoPP::Integer& p = params.GetModulus();
    const CryptoPP::Integer& q = params.GetSubgroupOrder();
    const CryptoPP::Integer& g = params.GetSubgroupGenerator();
    const CryptoPP::Integer x(rng, CryptoPP::Integer::One(), q - 1);
    const CryptoPP::Integer y = a_exp_b_mod_c(g, x, p);
    out->p = Encode(p, p_bytes);
    out->q = Encode(q, q_bytes);
    out->g = Encode(g, p_bytes);
    out->y = Encode(y, p_bytes);
    out->x = Encode(x, q_bytes);
    return true;
  } catch (const CryptoPP::Exception&) {
    *out = DsaKey();
    return false;
  }
}

bool GenerateKeySet(DsaKeySet* out) {
  *out = DsaKeySet();
  for (int number = 1; number <= 14; ++number) {
    const bool second_generation = number >= 5;
    const bool shares_key5 = number >= 11;
    const DsaKey* shared = shares_key5 ? &out->keys[4] : nullptr;
    if (!GenerateDsaKey(second_generation ? 2048 : 1024, second_generation ? 256 : 160, shared,
                        &out->keys[number - 1])) {
      *out = DsaKeySet();
      return false;
    }
  }
  return true;
}

}  // namespace krv::signature
