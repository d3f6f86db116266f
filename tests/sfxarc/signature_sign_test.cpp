// MakeSignatureBlock and SignFile.

#include "sfxarc/signature/sign.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "sfxarc/signature.h"
#include "sfxarc/signature/byte_source.h"
#include "sfxarc/signature/pe_end.h"
#include "tests/sfxarc/signature_test_support.h"
#include "tests/sfxarc/temp_folder.h"

namespace krv::signature {
namespace {

using krv::sfxarc::testing::ReadAll;
using krv::sfxarc::testing::TempFolder;
using testing::Bytes;
using testing::DevKeys;

std::string AsText(const std::vector<uint8_t>& bytes) { return std::string(bytes.begin(), bytes.end()); }

TEST(MakeSignatureBlock, LaysOutEachForm) {
  const std::vector<uint8_t> content = Bytes("content");
  const struct {
    SignatureForm form;
    const char* opening;  // null for the raw forms
    const char* closing;
  } forms[] = {{SignatureForm::kRawV2, nullptr, kTagRawV2},     {SignatureForm::kRawV1, nullptr, kTagRawV1},
               {SignatureForm::kTextV2, kTagTextV2, kTagTextV2}, {SignatureForm::kTextV1, kTagTextV1, kTagTextV1},
               {SignatureForm::kChecksum, kTagChecksum, kTagChecksum}};
  for (const auto& f : forms) {
    SCOPED_TRACE(int(f.form));
    std::vector<uint8_t> block;
    ASSERT_EQ(MakeSignatureBlock(f.form, content.data(), content.size(), DevKeys(), 0, &block), SignStatus::kOk);
    ASSERT_EQ(block.size(), BlockSize(f.form));
    const std::string text = AsText(block);
    EXPECT_EQ(text.substr(text.size() - 8), f.closing);
    if (f.opening) {
      EXPECT_EQ(text.substr(0, 8), f.opening);
      EXPECT_EQ(text.find_first_not_of("0123456789abcdef", 8), text.size() - 8) << "lower-case digits only";
    }
    std::vector<uint8_t> again;
    ASSERT_EQ(MakeSignatureBlock(f.form, content.data(), content.size(), DevKeys(), 0, &again), SignStatus::kOk);
    EXPECT_EQ(again, block) << "the same content gives the same block";
  }
  std::vector<uint8_t> block;
  ASSERT_EQ(MakeSignatureBlock(SignatureForm::kChecksum, content.data(), content.size(), DsaKeySet(), 0, &block),
            SignStatus::kOk)
      << "the checksum needs no key";
  EXPECT_EQ(AsText(block), "KRV_MD5a9a0364b9e99bb480dd25e1f0284c8555KRV_MD5a");  // MD5("content")
}

TEST(MakeSignatureBlock, RefusesWhatWouldNotVerify) {
  const std::vector<uint8_t> content = Bytes("content");
  DsaKeySet public_only = DevKeys();
  for (DsaKey& key : public_only.keys) key.x.clear();
  DsaKeySet wrong_x = DevKeys();
  wrong_x.keys[4].x = DevKeys().Find(11)->x;  // key 11 shares key 5's parameters
  const struct {
    const char* what;
    SignatureForm form;
    const DsaKeySet& keys;
    int key;
    size_t size;
    SignStatus status;
  } cases[] = {
      {"form 5 with key 2", SignatureForm::kRawV2, DevKeys(), 2, 7, SignStatus::kKeyNotAllowed},
      {"form 5 with key 11", SignatureForm::kRawV2, DevKeys(), 11, 7, SignStatus::kKeyNotAllowed},
      {"form 1 with key 4", SignatureForm::kRawV1, DevKeys(), 4, 7, SignStatus::kKeyNotAllowed},
      {"checksum with a key", SignatureForm::kChecksum, DevKeys(), 5, 7, SignStatus::kKeyNotAllowed},
      {"no private half", SignatureForm::kTextV2, public_only, 0, 7, SignStatus::kNoPrivateKey},
      {"key missing from the set", SignatureForm::kRawV1, DsaKeySet(), 0, 7, SignStatus::kNoPrivateKey},
      {"x of another key", SignatureForm::kRawV2, wrong_x, 5, 7, SignStatus::kKeyMismatch},
      {"nothing to sign", SignatureForm::kRawV2, DevKeys(), 0, 0, SignStatus::kEmptyContent},
  };
  for (const auto& c : cases) {
    std::vector<uint8_t> block = {1, 2, 3};
    EXPECT_EQ(MakeSignatureBlock(c.form, content.data(), c.size, c.keys, c.key, &block), c.status) << c.what;
    EXPECT_TRUE(block.empty()) << c.what;
  }
}

TEST(SignFile, AppendsABlockThatVerifies) {
  KRV_REQUIRE_DEV_KEYS();
  TempFolder folder;
  const std::vector<uint8_t> content = testing::MakePe(0x014c, 3000);
  const std::wstring path = folder.Write(L"package.exe", content);
  ASSERT_EQ(SignFile(path, SignatureForm::kRawV2, DevKeys(), 0), SignStatus::kOk);
  EXPECT_EQ(ReadAll(folder.path() / "package.exe"), testing::Signed(content, SignatureForm::kRawV2));
  ASSERT_EQ(SignFile(path, SignatureForm::kRawV1, DevKeys(), 0), SignStatus::kOk);
  VerifyResult result;
  ASSERT_TRUE(VerifySignature(path, VerifyMode::kSecondGeneration, &result));
  EXPECT_EQ(result.location.position, content.size());
  EXPECT_EQ(ReadAll(folder.path() / "package.exe").size(), content.size() + 72 + 48);
}

// The reservation is recorded where a verifier can read it back, inside the
// signed content, and the file is otherwise only appended to.
TEST(SignFile, RecordsTheAuthenticodeReservation) {
  KRV_REQUIRE_DEV_KEYS();
  TempFolder folder;
  const std::vector<uint8_t> content = testing::MakePe(0x014c, 3000);
  const std::wstring path = folder.Write(L"package.exe", content);
  ASSERT_EQ(SignFileForAuthenticode(path, SignatureForm::kRawV2, DevKeys(), 0, 0x1a48), SignStatus::kOk);
  const std::vector<uint8_t> after = ReadAll(folder.path() / "package.exe");
  ASSERT_EQ(after.size(), content.size() + 72);
  std::vector<uint8_t> expected = content;
  std::memcpy(&expected[kReservationRecordAt], "KRVAcRsv\x48\x1a\0\0", kReservationRecordSize);
  EXPECT_TRUE(std::equal(expected.begin(), expected.end(), after.begin()));
  FileByteSource source(path);
  ASSERT_TRUE(source.Open());
  uint32_t reserved = 0;
  ASSERT_TRUE(AuthenticodeReservation(source, &reserved));
  EXPECT_EQ(reserved, 0x1a48u);
  // A second reservation over the first (a re-signing) replaces the record.
  const std::wstring again = folder.Write(L"again.exe", expected);
  ASSERT_EQ(SignFileForAuthenticode(again, SignatureForm::kRawV2, DevKeys(), 0, 16), SignStatus::kOk);
  EXPECT_EQ(ReadAll(folder.path() / "again.exe")[kReservationRecordAt + 8], 16);
}

TEST(SignFile, LeavesTheFileAloneOnFailure) {
  TempFolder folder;
  std::vector<uint8_t> authenticode = testing::MakePe(0x014c, 3000);
  testing::PutU32(authenticode, testing::kSecurityEntry32At, 2800);
  const std::wstring signed_pe = folder.Write(L"signed.exe", authenticode);
  EXPECT_EQ(SignFile(signed_pe, SignatureForm::kRawV2, DevKeys(), 0), SignStatus::kCertificateTable);
  EXPECT_EQ(ReadAll(folder.path() / "signed.exe"), authenticode);
  const std::wstring text = folder.Write(L"notes.txt", Bytes("notes"));
  EXPECT_EQ(SignFile(text, SignatureForm::kRawV2, DevKeys(), 2), SignStatus::kKeyNotAllowed);
  EXPECT_EQ(SignFileForAuthenticode(text, SignatureForm::kRawV2, DevKeys(), 0, 1448), SignStatus::kNotPe);
  EXPECT_EQ(ReadAll(folder.path() / "notes.txt"), Bytes("notes"));
  // Someone else's data in the DOS header's reserved words is not overwritten.
  std::vector<uint8_t> used_words = testing::MakePe(0x014c, 3000);
  used_words[kReservationRecordAt + 15] = 0x42;
  const std::wstring used = folder.Write(L"used.exe", used_words);
  EXPECT_EQ(SignFileForAuthenticode(used, SignatureForm::kRawV2, DevKeys(), 0, 1448),
            SignStatus::kReservedWordsInUse);
  EXPECT_EQ(ReadAll(folder.path() / "used.exe"), used_words);
  EXPECT_EQ(SignFile(folder.Write(L"empty.txt", {}), SignatureForm::kChecksum, DevKeys(), 0),
            SignStatus::kEmptyContent);
  EXPECT_EQ(SignFile(folder.File(L"missing.txt"), SignatureForm::kChecksum, DevKeys(), 0), SignStatus::kCannotRead);
}

}  // namespace
}  // namespace krv::signature
