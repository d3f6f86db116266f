// Our verify-only big numbers against Crypto++'s Integer, on random values
// from a fixed seed at the sizes real keys use and at limb boundaries, and on
// edge values.

#include <gtest/gtest.h>

#include <cryptopp/integer.h>
#include <cryptopp/modarith.h>

#include <algorithm>
#include <random>
#include <vector>

#include "sfxarc/signature/big_unsigned.h"
#include "sfxarc/signature/modular.h"
#include "sfxarc/signature/montgomery.h"
#include "tests/sfxarc/cryptopp_reference.h"

namespace krv::signature {
namespace {

using CryptoPP::Integer;
using testing::BigEndianBytes;
using testing::IntegerFromBytes;

// A number given as big-endian bytes, in both representations.
struct Both {
  BigUnsigned ours;
  Integer theirs;
  explicit Both(const std::vector<uint8_t>& bytes)
      : ours(BigUnsigned::FromBigEndian(bytes.data(), bytes.size())),
        theirs(IntegerFromBytes(bytes.data(), bytes.size())) {}
};

// Random numbers of a given bit length (top bit set) from a fixed seed, and
// the edge values of a modulus.
class Numbers {
 public:
  std::vector<uint8_t> Random(size_t bits, bool odd = false) {
    std::vector<uint8_t> bytes((bits + 7) / 8);
    for (uint8_t& b : bytes) b = uint8_t(rng_());
    const size_t top = bits % 8 == 0 ? 8 : bits % 8;
    bytes[0] &= uint8_t((1u << top) - 1);
    bytes[0] |= uint8_t(1u << (top - 1));
    if (odd) bytes.back() |= 1;
    return bytes;
  }

  // Inputs beside a modulus m: 0, 1, m - 1, m, m + 1, all-ones limbs of m's
  // length, a random value below m's length, one twice as long, and m with
  // leading zero bytes.
  std::vector<std::vector<uint8_t>> Around(const std::vector<uint8_t>& m) {
    const Integer mi = IntegerFromBytes(m.data(), m.size());
    std::vector<std::vector<uint8_t>> values = {{},
                                                {1},
                                                BigEndianBytes(mi - 1),
                                                BigEndianBytes(mi),
                                                BigEndianBytes(mi + 1),
                                                std::vector<uint8_t>((m.size() + 3) / 4 * 4, 0xFF),
                                                Random(m.size() * 8 - 1),
                                                Random(m.size() * 16)};
    std::vector<uint8_t> padded(5 + m.size(), 0);
    std::copy(m.begin(), m.end(), padded.begin() + 5);
    values.push_back(padded);
    return values;
  }

 private:
  std::mt19937 rng_{20261211};
};

// Bit lengths: one limb and its neighbours, the sizes of q and p of real
// keys, and the largest key the verifier takes.
constexpr size_t kSizes[] = {2, 31, 32, 33, 64, 65, 160, 255, 256, 1024, 2048, 4096};

TEST(BigUnsigned, MultiplyModMatchesCryptopp) {
  Numbers numbers;
  for (size_t bits : kSizes) {
    for (bool odd : {true, false}) {
      const std::vector<uint8_t> m_bytes = numbers.Random(bits, odd);
      const Both m(m_bytes);
      const auto values = numbers.Around(m_bytes);
      for (size_t i = 0; i < values.size(); ++i) {
        for (size_t j = 0; j < values.size(); ++j) {
          SCOPED_TRACE(::testing::Message() << bits << " bits, odd " << odd << ", values " << i << " x " << j);
          const Both a(values[i]), b(values[j]);
          BigUnsigned ours;
          ASSERT_TRUE(MultiplyMod(a.ours, b.ours, m.ours, &ours));
          EXPECT_EQ(BigEndianBytes(ours), BigEndianBytes(a_times_b_mod_c(a.theirs, b.theirs, m.theirs)));
        }
      }
    }
  }
}

TEST(BigUnsigned, InverseModMatchesCryptopp) {
  Numbers numbers;
  for (size_t bits : kSizes) {
    for (bool odd : {true, false}) {
      const std::vector<uint8_t> m_bytes = numbers.Random(bits, odd);
      const Both m(m_bytes);
      auto values = numbers.Around(m_bytes);
      for (int extra = 0; extra < 8; ++extra) values.push_back(numbers.Random(bits > 8 ? bits - 3 : 1));
      for (size_t i = 0; i < values.size(); ++i) {
        SCOPED_TRACE(::testing::Message() << bits << " bits, odd " << odd << ", value " << i);
        const Both a(values[i]);
        const BigUnsigned sentinel(77);
        BigUnsigned ours = sentinel;
        const Integer theirs = a.theirs.InverseMod(m.theirs);
        if (theirs.IsZero()) {
          EXPECT_FALSE(InverseMod(a.ours, m.ours, &ours));
          EXPECT_TRUE(ours == sentinel);
        } else {
          ASSERT_TRUE(InverseMod(a.ours, m.ours, &ours));
          EXPECT_EQ(BigEndianBytes(ours), BigEndianBytes(theirs));
        }
      }
    }
  }
}

TEST(BigUnsigned, InverseModOfSharedFactorsAndTinyModuli) {
  struct Case {
    uint32_t a, m;
    bool exists;
    uint32_t inverse;
  } cases[] = {
      {3, 15, false, 0}, {5, 15, false, 0}, {15, 15, false, 0}, {0, 15, false, 0}, {2, 16, false, 0},
      {4, 16, false, 0}, {0, 16, false, 0}, {1, 16, true, 1},   {17, 16, true, 1}, {3, 16, true, 11},
      {2, 3, true, 2},   {1, 2, true, 1},   {0, 2, false, 0},   {5, 1, false, 0},  {5, 0, false, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.a << "^-1 mod " << c.m);
    BigUnsigned out(99);
    EXPECT_EQ(InverseMod(BigUnsigned(c.a), BigUnsigned(c.m), &out), c.exists);
    EXPECT_TRUE(out == BigUnsigned(c.exists ? c.inverse : 99));
  }
}

TEST(BigUnsigned, DoubleExponentiateMatchesCryptopp) {
  Numbers numbers;
  for (size_t bits : kSizes) {
    const std::vector<uint8_t> p_bytes = numbers.Random(bits, true);
    const Both p(p_bytes);
    MontgomeryModulus ours;
    ASSERT_TRUE(ours.Init(p.ours));
    const CryptoPP::MontgomeryRepresentation theirs(p.theirs);
    const auto bases = numbers.Around(p_bytes);
    // Exponents: none, one, the size of a real q, and p's own length (at
    // most 2048 bits, which keeps the run short under Wine).
    const std::vector<std::vector<uint8_t>> exponents = {{}, {1}, numbers.Random(256),
                                                         numbers.Random(std::min<size_t>(bits, 2048))};
    for (size_t i = 0; i < bases.size(); ++i) {
      for (size_t k = 0; k < exponents.size(); ++k) {
        // The bases go round so that each pairs with a neighbour; the
        // exponents pair with their reverse.
        SCOPED_TRACE(::testing::Message() << bits << " bits, base " << i << ", exponent " << k);
        const Both a(bases[i]), b(bases[(i + 1) % bases.size()]);
        const Both e1(exponents[k]), e2(exponents[exponents.size() - 1 - k]);
        const BigUnsigned result = ours.DoubleExponentiate(a.ours, e1.ours, b.ours, e2.ours);
        const Integer expected = theirs.ConvertOut(
            theirs.CascadeExponentiate(theirs.ConvertIn(a.theirs), e1.theirs, theirs.ConvertIn(b.theirs), e2.theirs));
        EXPECT_EQ(BigEndianBytes(result), BigEndianBytes(expected));
      }
    }
  }
}

// A dividend far longer than the modulus (a digest is taken whole, whatever
// its length): the division walks the dividend's bits once, over the
// modulus's limbs.
TEST(BigUnsigned, LongDividendsMatchCryptopp) {
  Numbers numbers;
  std::vector<uint8_t> long_bytes = numbers.Random(64 * 1024 * 8);
  std::fill(long_bytes.begin() + 100, long_bytes.begin() + 200, 0xFF);
  const Both a(long_bytes);
  for (size_t bits : {1, 32, 33, 256}) {
    SCOPED_TRACE(bits);
    const Both m(numbers.Random(bits));
    BigUnsigned quotient, remainder;
    ASSERT_TRUE(DivideWithRemainder(a.ours, m.ours, &quotient, &remainder));
    Integer expected_remainder, expected_quotient;
    Integer::Divide(expected_remainder, expected_quotient, a.theirs, m.theirs);
    EXPECT_TRUE(BigEndianBytes(quotient) == BigEndianBytes(expected_quotient));
    EXPECT_EQ(BigEndianBytes(remainder), BigEndianBytes(expected_remainder));
  }
}

TEST(BigUnsigned, MontgomeryNeedsAnOddModulusOfThreeOrMore) {
  struct Case {
    uint32_t p;
    bool usable;
  } cases[] = {{0, false}, {1, false}, {2, false}, {4, false}, {3, true}, {5, true}, {0xFFFFFFFF, true}};
  for (const Case& c : cases) {
    MontgomeryModulus mod;
    EXPECT_EQ(mod.Init(BigUnsigned(c.p)), c.usable) << c.p;
  }
}

TEST(BigUnsigned, BigEndianBytesAndDivision) {
  const std::vector<uint8_t> plain = {0x01, 0x02, 0x03, 0x04, 0x05};
  const std::vector<uint8_t> padded = {0, 0, 0, 0, 0, 0x01, 0x02, 0x03, 0x04, 0x05};
  const BigUnsigned a = BigUnsigned::FromBigEndian(plain.data(), plain.size());
  EXPECT_TRUE(a == BigUnsigned::FromBigEndian(padded.data(), padded.size()));
  EXPECT_EQ(a.LimbCount(), 2u);
  EXPECT_EQ(a.LimbAt(0), 0x02030405u);
  EXPECT_EQ(a.LimbAt(1), 0x01u);
  EXPECT_EQ(a.BitLength(), 33u);
  EXPECT_TRUE(BigUnsigned::FromBigEndian(nullptr, 0).IsZero());
  const std::vector<uint8_t> zeros(9, 0);
  EXPECT_TRUE(BigUnsigned::FromBigEndian(zeros.data(), zeros.size()).IsZero());

  // Division by zero is refused and writes nothing.
  BigUnsigned quotient(5), remainder(6);
  EXPECT_FALSE(DivideWithRemainder(a, BigUnsigned(), &quotient, &remainder));
  EXPECT_TRUE(quotient == BigUnsigned(5));
  EXPECT_TRUE(remainder == BigUnsigned(6));
  ASSERT_TRUE(DivideWithRemainder(a, BigUnsigned(0x10000), &quotient, &remainder));
  EXPECT_TRUE(quotient == BigUnsigned(0x10203));
  EXPECT_TRUE(remainder == BigUnsigned(0x0405));
  BigUnsigned out(3);
  EXPECT_FALSE(MultiplyMod(a, a, BigUnsigned(), &out));
  EXPECT_TRUE(out == BigUnsigned(3));
}

}  // namespace
}  // namespace krv::signature
