// Fuzz target: the DSA check and the big-number operations under it,
// compared with Crypto++ (a difference stops the run like a crash).
//
// Input: five length bytes, then q, p, g, y and the digest in turn (zeros
// when the input runs out), then the signature:
//   [0] q length 1-48 (byte % 48 + 1)   [1] p length 1-256 (byte + 1)
//   [2] g and [3] y length 0-254, 255: as long as p
//   [4] digest length 0-64 (low 7 bits % 65); bit 7 set: the signature is
//       all that follows (any length), else exactly twice q's length
// p reaches the real keys' 2048 bits; larger keys, up to the verifier's bound
// of 4096 bits, are the unit tests' business (an execution would take tenths
// of a second).

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <vector>

#include <cryptopp/modarith.h>
#include <cryptopp/nbtheory.h>

#include "sfxarc/signature/big_unsigned.h"
#include "sfxarc/signature/dsa_verify.h"
#include "sfxarc/signature/modular.h"
#include "sfxarc/signature/montgomery.h"
#include "tests/sfxarc/cryptopp_reference.h"

namespace {

using CryptoPP::Integer;
using krv::signature::BigUnsigned;
using krv::signature::testing::BigEndianBytes;
using krv::signature::testing::IntegerFromBytes;

// Takes the input's bytes in order; past its end, zeros.
class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : data_(data), size_(size) {}
  std::vector<uint8_t> Take(size_t n) {
    std::vector<uint8_t> bytes(n, 0);
    for (size_t i = 0; i < n && at_ < size_; ++i) bytes[i] = data_[at_++];
    return bytes;
  }
  std::vector<uint8_t> Rest() { return Take(size_ - at_); }

 private:
  const uint8_t* data_;
  size_t size_;
  size_t at_ = 0;
};

void Same(const BigUnsigned& ours, const Integer& theirs) {
  if (BigEndianBytes(ours) != BigEndianBytes(theirs)) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Reader in(data, size);
  const std::vector<uint8_t> lengths = in.Take(5);
  const std::vector<uint8_t> q = in.Take(lengths[0] % 48 + 1);
  const std::vector<uint8_t> p = in.Take(size_t(lengths[1]) + 1);
  const std::vector<uint8_t> g = in.Take(lengths[2] == 0xFF ? p.size() : lengths[2]);
  const std::vector<uint8_t> y = in.Take(lengths[3] == 0xFF ? p.size() : lengths[3]);
  const std::vector<uint8_t> digest = in.Take((lengths[4] & 0x7F) % 65);
  const std::vector<uint8_t> sig = (lengths[4] & 0x80) != 0 ? in.Rest() : in.Take(2 * q.size());

  const krv::signature::DsaPublicKey key{{p.data(), p.size()}, {q.data(), q.size()}, {g.data(), g.size()},
                                         {y.data(), y.size()}};
  const bool ours = krv::signature::DsaVerifyWithKey(key, digest.data(), digest.size(), sig.data(), sig.size());
  const bool theirs =
      krv::signature::testing::CryptoppDsaVerify(key, digest.data(), digest.size(), sig.data(), sig.size());
  if (ours != theirs) __builtin_trap();

  // The operations one by one, on the same numbers: r and s are the
  // signature's first two pieces of q's length (as far as it reaches).
  const size_t half = std::min(q.size(), sig.size());
  const size_t s_size = std::min(q.size(), sig.size() - half);
  const BigUnsigned q_ours = BigUnsigned::FromBigEndian(q.data(), q.size());
  const BigUnsigned r_ours = BigUnsigned::FromBigEndian(sig.data(), half);
  const BigUnsigned s_ours = BigUnsigned::FromBigEndian(sig.data() + half, s_size);
  const Integer q_theirs = IntegerFromBytes(q.data(), q.size());
  const Integer r_theirs = IntegerFromBytes(sig.data(), half);
  const Integer s_theirs = IntegerFromBytes(sig.data() + half, s_size);
  if (!q_ours.IsZero()) {
    BigUnsigned product;
    if (!krv::signature::MultiplyMod(r_ours, s_ours, q_ours, &product)) __builtin_trap();
    Same(product, a_times_b_mod_c(r_theirs, s_theirs, q_theirs));
  }
  // Crypto++ is not asked for inverses modulo 1 (nothing has one; ours says
  // so).
  if (q_theirs > Integer::One()) {
    BigUnsigned inverse;
    const Integer expected = s_theirs.InverseMod(q_theirs);
    if (krv::signature::InverseMod(s_ours, q_ours, &inverse) != expected.NotZero()) __builtin_trap();
    if (expected.NotZero()) Same(inverse, expected);
  }
  const BigUnsigned p_ours = BigUnsigned::FromBigEndian(p.data(), p.size());
  krv::signature::MontgomeryModulus mod_p;
  const Integer p_theirs = IntegerFromBytes(p.data(), p.size());
  const bool usable = p_theirs.IsOdd() && p_theirs >= Integer(3);
  if (mod_p.Init(p_ours) != usable) __builtin_trap();
  if (usable) {
    const CryptoPP::MontgomeryRepresentation mont(p_theirs);
    const BigUnsigned g_ours = BigUnsigned::FromBigEndian(g.data(), g.size());
    const BigUnsigned y_ours = BigUnsigned::FromBigEndian(y.data(), y.size());
    Same(mod_p.DoubleExponentiate(g_ours, r_ours, y_ours, s_ours),
         mont.ConvertOut(mont.CascadeExponentiate(mont.ConvertIn(IntegerFromBytes(g.data(), g.size())), r_theirs,
                                                  mont.ConvertIn(IntegerFromBytes(y.data(), y.size())), s_theirs)));
  }
  return 0;
}
