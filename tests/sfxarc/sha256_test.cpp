#include "sfxarc/signature/sha256.h"

#include <gtest/gtest.h>

#include <vector>

#include "sfxarc/signature/cpu_features.h"
#include "tests/sfxarc/signature_test_vectors.h"

namespace krv::signature {
namespace {

using testing::FromHex;
using testing::ReadVectorFile;
using testing::ToHex;

bool ProcessorHasShaInstructions() { return QueryCpuFeatures().sha256_instructions; }

// Runs each test once per block function, forced through the feature seam.
class Sha256Impls : public ::testing::TestWithParam<Sha256Impl> {
 protected:
  void SetUp() override {
    if (GetParam() == Sha256Impl::kShaInstructions && !ProcessorHasShaInstructions()) {
      GTEST_SKIP() << "this processor has no SHA extensions";
    }
  }

  CpuFeatures Forced() const {
    CpuFeatures features;
    features.sha256_instructions = GetParam() == Sha256Impl::kShaInstructions;
    return features;
  }

  std::vector<uint8_t> Digest(const std::vector<uint8_t>& data) const {
    ScopedCpuFeatures forced(Forced());
    std::vector<uint8_t> digest(Sha256::kDigestSize);
    Sha256 sha;
    EXPECT_EQ(sha.impl(), GetParam());
    sha.Update(data.data(), data.size());
    sha.Final(digest.data());
    return digest;
  }
};

// NIST SHAVS byte-oriented vectors (CAVS 11.0): 65 short messages of 0 to
// 512 bits, 64 long ones of 1304 to 51200 bits.
TEST_P(Sha256Impls, NistShortAndLongMessages) {
  for (const char* file : {"hashes/SHA2/SHA256ShortMsg.rsp", "hashes/SHA2/SHA256LongMsg.rsp"}) {
    const auto records = ReadVectorFile(file);
    EXPECT_EQ(records.size(), std::string(file).find("Short") != std::string::npos ? 65u : 64u) << file;
    for (const auto& record : records) {
      std::vector<uint8_t> message = FromHex(record.Get("Msg"));
      message.resize(std::stoul(record.Get("Len")) / 8);
      EXPECT_EQ(ToHex(Digest(message)), record.Get("MD")) << file << " Len = " << record.Get("Len");
    }
  }
}

// Splits at and around the block and padding boundaries, and a message of
// many blocks handed over in one call (the fast path's multi-block loop).
TEST_P(Sha256Impls, AnySplitGivesTheOneShotDigest) {
  std::vector<uint8_t> message(64 * 40 + 17);
  for (size_t i = 0; i < message.size(); ++i) message[i] = uint8_t(i * 131 + i / 256);
  ScopedCpuFeatures forced(Forced());
  std::vector<uint8_t> portable(Sha256::kDigestSize);
  {
    ScopedCpuFeatures reference(CpuFeatures{});
    Sha256::Digest(message.data(), message.size(), portable.data());
  }
  for (size_t first : {size_t(0), size_t(1), size_t(55), size_t(56), size_t(63), size_t(64), size_t(65),
                       size_t(64 * 33 + 3), message.size()}) {
    SCOPED_TRACE(first);
    Sha256 sha;
    sha.Update(message.data(), first);
    sha.Update(message.data() + first, message.size() - first);
    std::vector<uint8_t> digest(Sha256::kDigestSize);
    sha.Final(digest.data());
    EXPECT_EQ(digest, portable);
  }
}

INSTANTIATE_TEST_SUITE_P(Paths, Sha256Impls,
                         ::testing::Values(Sha256Impl::kPortable, Sha256Impl::kShaInstructions),
                         [](const ::testing::TestParamInfo<Sha256Impl>& info) {
                           return info.param == Sha256Impl::kPortable ? "Portable" : "ShaInstructions";
                         });

TEST(Sha256Selection, FollowsTheProcessor) {
  EXPECT_EQ(Sha256().impl(), ProcessorHasShaInstructions() ? Sha256Impl::kShaInstructions : Sha256Impl::kPortable);
  ScopedCpuFeatures none(CpuFeatures{});
  EXPECT_EQ(Sha256().impl(), Sha256Impl::kPortable);
}

}  // namespace
}  // namespace krv::signature
