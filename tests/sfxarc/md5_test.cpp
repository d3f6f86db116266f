#include "sfxarc/signature/md5.h"

#include <gtest/gtest.h>

#include <vector>

#include "tests/sfxarc/signature_test_vectors.h"

namespace krv::signature {
namespace {

using testing::FromHex;
using testing::ReadVectorFile;
using testing::ToHex;

std::vector<uint8_t> Md5Of(const std::vector<uint8_t>& data) {
  std::vector<uint8_t> digest(Md5::kDigestSize);
  Md5::Digest(data.data(), data.size(), digest.data());
  return digest;
}

// The test suite of RFC 1321, appendix A.5, as the vectors package gives it.
TEST(Md5, Rfc1321TestSuite) {
  const auto records = ReadVectorFile("hashes/MD5/rfc-1321.txt");
  ASSERT_EQ(records.size(), 7u);
  for (const auto& record : records) {
    SCOPED_TRACE(record.Get("Msg"));
    std::vector<uint8_t> message = FromHex(record.Get("Msg"));
    message.resize(std::stoul(record.Get("Len")) / 8);
    EXPECT_EQ(ToHex(Md5Of(message)), record.Get("MD"));
  }
}

// Messages cut at every block and padding boundary: the streaming buffer must
// give the one-shot digest whatever the split, and a finished object starts a
// new message.
TEST(Md5, AnySplitGivesTheOneShotDigest) {
  std::vector<uint8_t> message(300);
  for (size_t i = 0; i < message.size(); ++i) message[i] = uint8_t(i * 31 + 7);
  for (size_t length : {55, 56, 57, 63, 64, 65, 119, 120, 128, 300}) {
    const std::vector<uint8_t> part(message.begin(), message.begin() + length);
    const std::vector<uint8_t> expected = Md5Of(part);
    for (size_t first : {size_t(0), size_t(1), size_t(63), size_t(64), length / 2, length}) {
      if (first > length) continue;
      SCOPED_TRACE(::testing::Message() << "length " << length << " split at " << first);
      Md5 md5;
      md5.Update(part.data(), first);
      md5.Update(part.data() + first, length - first);
      std::vector<uint8_t> digest(Md5::kDigestSize);
      md5.Final(digest.data());
      EXPECT_EQ(digest, expected);
      md5.Update(part.data(), length);
      md5.Final(digest.data());
      EXPECT_EQ(digest, expected);
    }
  }
}

}  // namespace
}  // namespace krv::signature
