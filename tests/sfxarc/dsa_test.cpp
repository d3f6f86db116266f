#include <gtest/gtest.h>

#include <cryptopp/sha.h>

#include <algorithm>
#include <vector>

#include "sfxarc/signature/dsa_key_table.h"
#include "sfxarc/signature/dsa_sign.h"
#include "sfxarc/signature/dsa_verify.h"
#include "sfxarc/signature/sha256.h"
#include "tests/sfxarc/signature_test_support.h"

namespace krv::signature {
namespace {

using testing::DevKeys;
using testing::FromHex;
using testing::FromHexPadded;
using testing::ReadVectorFile;

struct SigVerSet {
  const char* file;
  const char* section;  // the "[mod = ...]" group the test takes
  size_t expected_cases;
};

// NIST CAVS SigVer response files: FIPS 186-3 L=2048, N=256 with SHA-256, and
// FIPS 186-2 (L=1024, N=160, SHA-1). Each group holds (p, q, g) and cases of
// message, y, r, s and the expected result; about half are altered to fail.
class DsaSigVer : public ::testing::TestWithParam<SigVerSet> {};

TEST_P(DsaSigVer, MatchesNistResults) {
  const SigVerSet& set = GetParam();
  const bool sha256 = std::string(set.section).find("SHA-256") != std::string::npos;
  std::vector<uint8_t> p, q, g;
  size_t cases = 0, passing = 0;
  for (const auto& record : ReadVectorFile(set.file)) {
    if (record.section != set.section) continue;
    if (record.Has("P")) {
      p = FromHex(record.Get("P"));
      q = FromHex(record.Get("Q"));
      g = FromHex(record.Get("G"));
      continue;
    }
    const std::vector<uint8_t> message = FromHex(record.Get("Msg"));
    std::vector<uint8_t> digest;
    if (sha256) {
      digest.resize(Sha256::kDigestSize);
      Sha256::Digest(message.data(), message.size(), digest.data());
    } else {
      digest.resize(CryptoPP::SHA1::DIGESTSIZE);
      CryptoPP::SHA1().CalculateDigest(digest.data(), message.data(), message.size());
    }
    const std::vector<uint8_t> y = FromHexPadded(record.Get("Y"), p.size());
    std::vector<uint8_t> sig = FromHexPadded(record.Get("R"), q.size());
    const std::vector<uint8_t> s = FromHexPadded(record.Get("S"), q.size());
    sig.insert(sig.end(), s.begin(), s.end());
    const DsaPublicKey key{{p.data(), p.size()}, {q.data(), q.size()}, {g.data(), g.size()}, {y.data(), y.size()}};
    const bool expected = record.Get("Result")[0] == 'P';
    EXPECT_EQ(DsaVerifyWithKey(key, digest.data(), digest.size(), sig.data(), sig.size()), expected)
        << "Msg = " << record.Get("Msg") << " Result = " << record.Get("Result");
    ++cases;
    passing += expected;
  }
  EXPECT_EQ(cases, set.expected_cases);
  EXPECT_GT(passing, 0u);
  EXPECT_LT(passing, cases);
}

INSTANTIATE_TEST_SUITE_P(
    Fips, DsaSigVer,
    ::testing::Values(SigVerSet{"asymmetric/DSA/FIPS_186-3/SigVer.rsp", "[mod = L=2048, N=256, SHA-256]", 15},
                      SigVerSet{"asymmetric/DSA/FIPS_186-2/SigVer.rsp", "[mod = 1024]", 15}),
    [](const ::testing::TestParamInfo<SigVerSet>& info) {
      return std::string(info.param.file).find("186-3") != std::string::npos ? "Fips186_3_L2048N256Sha256"
                                                                              : "Fips186_2_L1024N160Sha1";
    });

// A signature of key 5 over a fixed digest, and the key's q, as byte strings
// the range tests below alter.
struct Key5Signature {
  std::vector<uint8_t> digest = std::vector<uint8_t>(32, 0x5a);
  std::vector<uint8_t> sig = std::vector<uint8_t>(64);
  Key5Signature() { EXPECT_TRUE(DsaSignDigest(*DevKeys().Find(5), digest.data(), digest.size(), sig.data())); }
};

TEST(DsaVerify, BuiltInKeysVerifyTheirOwnSignatures) {
  KRV_REQUIRE_DEV_KEYS();
  for (int number = 1; number <= kBuiltinDsaKeyCount; ++number) {
    SCOPED_TRACE(number);
    const DsaKey& key = *DevKeys().Find(number);
    const std::vector<uint8_t> digest(number <= 4 ? 16 : 32, uint8_t(number));
    std::vector<uint8_t> sig(2 * key.q.size());
    ASSERT_TRUE(DsaSignDigest(key, digest.data(), digest.size(), sig.data()));
    EXPECT_TRUE(DsaVerify(digest.data(), digest.size(), sig.data(), sig.size(), number));
    // Keys 5, 11-14 share their parameters but not y: no other key accepts it.
    const int other = number == 5 ? 11 : 5;
    if (KeySubgroupSize(other) == key.q.size()) {
      EXPECT_FALSE(DsaVerify(digest.data(), digest.size(), sig.data(), sig.size(), other));
    }
  }
}

TEST(DsaVerify, NumbersOutsideTwoToFourteenSelectKeyOne) {
  KRV_REQUIRE_DEV_KEYS();
  const DsaKey& key = *DevKeys().Find(1);
  const std::vector<uint8_t> digest(16, 0x11);
  std::vector<uint8_t> sig(40);
  ASSERT_TRUE(DsaSignDigest(key, digest.data(), digest.size(), sig.data()));
  for (int number : {0, 1, -3, 15, 1000}) {
    EXPECT_TRUE(DsaVerify(digest.data(), digest.size(), sig.data(), sig.size(), number)) << number;
  }
  EXPECT_FALSE(DsaVerify(digest.data(), digest.size(), sig.data(), sig.size(), 2));
}

TEST(DsaVerify, SignatureBytesOutsideTheirRangeAreRefused) {
  const Key5Signature good;
  const DsaKey& key = *DevKeys().Find(5);
  ASSERT_TRUE(DsaVerifyWithKey(key.public_key(), good.digest.data(), 32, good.sig.data(), 64));
  const std::vector<uint8_t> zero(32, 0);
  struct Case {
    const char* what;
    bool replace_r;
    std::vector<uint8_t> value;
  } cases[] = {
      {"r = 0", true, zero},
      {"r = q", true, key.q},
      {"s = 0", false, zero},
      {"s = q", false, key.q},
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> sig = good.sig;
    std::copy(c.value.begin(), c.value.end(), sig.begin() + (c.replace_r ? 0 : 32));
    EXPECT_FALSE(DsaVerifyWithKey(key.public_key(), good.digest.data(), 32, sig.data(), 64)) << c.what;
  }
  // Every length but 2 x 32 bytes is refused, even with the right leading bytes.
  for (size_t length : {0, 40, 63, 65, 128}) {
    std::vector<uint8_t> sig = good.sig;
    sig.resize(length);
    EXPECT_FALSE(DsaVerifyWithKey(key.public_key(), good.digest.data(), 32, sig.data(), sig.size())) << length;
  }
  // The digest is taken whole: dropping or adding a byte changes e.
  EXPECT_FALSE(DsaVerifyWithKey(key.public_key(), good.digest.data(), 31, good.sig.data(), 64));
}

TEST(DsaVerify, UnusableKeysAreRefused) {
  const Key5Signature good;
  const DsaKey& real = *DevKeys().Find(5);
  std::vector<uint8_t> even_p = real.p;
  even_p.back() &= 0xFE;
  const std::vector<uint8_t> zero_q(32, 0);
  DsaPublicKey key = real.public_key();
  key.p = {even_p.data(), even_p.size()};
  EXPECT_FALSE(DsaVerifyWithKey(key, good.digest.data(), 32, good.sig.data(), 64));
  key = real.public_key();
  key.q = {zero_q.data(), zero_q.size()};
  EXPECT_FALSE(DsaVerifyWithKey(key, good.digest.data(), 32, good.sig.data(), 64));
}

TEST(DsaVerify, EverySingleBitFlipFails) {
  KRV_REQUIRE_DEV_KEYS();
  // A 1024/160 key (MD5 digests) and a 2048/256 key (SHA-256 digests).
  for (int number : {2, 5}) {
    SCOPED_TRACE(number);
    const DsaKey& key = *DevKeys().Find(number);
    std::vector<uint8_t> digest(number <= 4 ? 16 : 32);
    for (size_t i = 0; i < digest.size(); ++i) digest[i] = uint8_t(0x3c ^ (i * 7));
    std::vector<uint8_t> sig(2 * key.q.size());
    ASSERT_TRUE(DsaSignDigest(key, digest.data(), digest.size(), sig.data()));
    ASSERT_TRUE(DsaVerify(digest.data(), digest.size(), sig.data(), sig.size(), number));
    for (std::vector<uint8_t>* bytes : {&sig, &digest}) {
      for (size_t bit = 0; bit < bytes->size() * 8; ++bit) {
        (*bytes)[bit / 8] ^= uint8_t(1u << (bit % 8));
        EXPECT_FALSE(DsaVerify(digest.data(), digest.size(), sig.data(), sig.size(), number))
            << (bytes == &sig ? (bit < sig.size() * 4 ? "r" : "s") : "digest") << " bit " << bit;
        (*bytes)[bit / 8] ^= uint8_t(1u << (bit % 8));
      }
    }
  }
}

// Keys whose g and y are 1 make v = 1 for every u1 and u2, so r = 1 passes
// whenever s is invertible: the cases below turn on q and p alone.
TEST(DsaVerify, CompositeQAndKeySizes) {
  const std::vector<uint8_t> one = {1};
  const std::vector<uint8_t> digest(32, 0xa5);
  const std::vector<uint8_t> p2048(256, 0xFF);
  std::vector<uint8_t> p4096(512, 0xFF), p4097(513, 0xFF), p4096_padded(600, 0);
  p4097[0] = 0x01;
  std::fill(p4096_padded.end() - 512, p4096_padded.end(), 0xFF);
  struct Case {
    const char* what;
    std::vector<uint8_t> p, q, sig;  // sig = r || s, one byte each
    bool expected;
  } cases[] = {
      {"s invertible modulo a composite q", p2048, {15}, {1, 2}, true},
      {"s invertible modulo an even q", p2048, {16}, {1, 3}, true},
      // With no inverse of s, taking w = 0 would give u1 = u2 = 0, v = 1, and
      // accept r = 1 for any digest.
      {"s shares a factor with q = 15", p2048, {15}, {1, 3}, false},
      {"s shares a factor with q = 16", p2048, {16}, {1, 4}, false},
      {"p of 4096 bits", p4096, {7}, {1, 2}, true},
      {"p of 4096 bits behind leading zero bytes", p4096_padded, {7}, {1, 2}, true},
      {"p of 4097 bits", p4097, {7}, {1, 2}, false},
  };
  for (const Case& c : cases) {
    const DsaPublicKey key{{c.p.data(), c.p.size()}, {c.q.data(), c.q.size()}, {one.data(), 1}, {one.data(), 1}};
    EXPECT_EQ(DsaVerifyWithKey(key, digest.data(), digest.size(), c.sig.data(), c.sig.size()), c.expected)
        << c.what;
  }
  // q longer than 4096 bits is refused too, even with r and s in range.
  std::vector<uint8_t> long_q(513, 0), sig(2 * 513, 0);
  long_q[0] = 0x01;
  long_q.back() = 0x07;
  sig[512] = 1;
  sig.back() = 2;
  const DsaPublicKey key{{p2048.data(), p2048.size()}, {long_q.data(), long_q.size()}, {one.data(), 1},
                         {one.data(), 1}};
  EXPECT_FALSE(DsaVerifyWithKey(key, digest.data(), digest.size(), sig.data(), sig.size()));
}

TEST(DsaSign, IsDeterministicPerKeyAndDigest) {
  const Key5Signature first, second;
  EXPECT_EQ(first.sig, second.sig);
  std::vector<uint8_t> other_digest = first.digest;
  other_digest[0] ^= 1;
  std::vector<uint8_t> other(64);
  ASSERT_TRUE(DsaSignDigest(*DevKeys().Find(5), other_digest.data(), 32, other.data()));
  EXPECT_NE(other, first.sig);
}

TEST(DsaSign, NeedsThePrivateHalf) {
  DsaKey public_only = *DevKeys().Find(5);
  public_only.x.clear();
  std::vector<uint8_t> sig(64);
  const std::vector<uint8_t> digest(32, 1);
  EXPECT_FALSE(DsaSignDigest(public_only, digest.data(), 32, sig.data()));
}

}  // namespace
}  // namespace krv::signature
