// VerifySignature over files signed with the development keys.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "sfxarc/signature.h"
#include "sfxarc/signature/content_digest.h"
#include "sfxarc/signature/dsa_sign.h"
#include "sfxarc/signature/md5.h"
#include "sfxarc/signature/sha256.h"
#include "sfxarc/signature/sign.h"
#include "tests/sfxarc/signature_test_support.h"
#include "tests/sfxarc/temp_folder.h"

namespace krv::signature {
namespace {

using krv::sfxarc::testing::ReadAll;
using krv::sfxarc::testing::TempFolder;
using testing::Bytes;
using testing::DevKeys;
using testing::MakePe;
using testing::Signed;

bool Verifies(const std::vector<uint8_t>& image, VerifyMode mode, VerifyResult* result = nullptr) {
  return VerifySignatureInImage(image.data(), image.size(), mode, result);
}

const SignatureForm kAllForms[] = {SignatureForm::kTextV1, SignatureForm::kRawV1, SignatureForm::kChecksum,
                                   SignatureForm::kTextV2, SignatureForm::kRawV2};

// Which modes accept which forms; mode 2 takes second-generation files as mode 4.
TEST(VerifySignature, EachFormInEachMode) {
  KRV_REQUIRE_DEV_KEYS();
  const std::vector<uint8_t> content = Bytes("Signed content, long enough to be a file of its own.\n");
  const struct {
    SignatureForm form;
    bool modes[4];  // modes 1, 2, 3, 4
    int key;
  } cases[] = {
      {SignatureForm::kTextV1, {true, true, false, false}, 2},
      {SignatureForm::kRawV1, {true, true, false, false}, 2},
      {SignatureForm::kChecksum, {true, false, true, false}, 0},
      {SignatureForm::kTextV2, {true, true, false, true}, 5},
      {SignatureForm::kRawV2, {true, true, false, true}, 5},
  };
  for (const auto& c : cases) {
    const std::vector<uint8_t> image = Signed(content, c.form);
    for (int mode = 1; mode <= 4; ++mode) {
      SCOPED_TRACE(::testing::Message() << "form " << int(c.form) << " mode " << mode);
      VerifyResult result;
      ASSERT_EQ(Verifies(image, VerifyMode(mode), &result), c.modes[mode - 1]);
      if (!c.modes[mode - 1]) continue;
      EXPECT_EQ(result.location.form, c.form);
      EXPECT_EQ(result.location.position, content.size());
      EXPECT_EQ(result.key_number, c.key);
      uint8_t digest[32];
      const size_t size = ContentDigest(c.form, content.data(), content.size(), digest);
      EXPECT_EQ(std::vector<uint8_t>(result.digest, result.digest + result.digest_size),
                std::vector<uint8_t>(digest, digest + size));
    }
  }
}

// Each form is tried with its own keys in its own order, and only those.
TEST(VerifySignature, TriesTheKeysOfTheForm) {
  KRV_REQUIRE_DEV_KEYS();
  const std::vector<uint8_t> content = Bytes("content signed by the other keys of a form");
  const struct {
    SignatureForm form;
    int key;
  } accepted[] = {{SignatureForm::kRawV2, 6}, {SignatureForm::kRawV2, 7}, {SignatureForm::kTextV2, 7},
                  {SignatureForm::kRawV1, 1}, {SignatureForm::kRawV1, 3}, {SignatureForm::kTextV1, 3}};
  for (const auto& a : accepted) {
    VerifyResult result;
    EXPECT_TRUE(Verifies(Signed(content, a.form, a.key), VerifyMode::kAny, &result)) << a.key;
    EXPECT_EQ(result.key_number, a.key);
  }
  // Keys outside the form's list: a block made by hand, since the signer
  // refuses to make it.
  const struct {
    SignatureForm form;
    int key;
  } refused[] = {{SignatureForm::kRawV2, 8}, {SignatureForm::kRawV2, 11}, {SignatureForm::kRawV1, 4}};
  for (const auto& r : refused) {
    uint8_t digest[32];
    const size_t size = ContentDigest(r.form, content.data(), content.size(), digest);
    std::vector<uint8_t> sig(SignatureSize(r.form));
    ASSERT_TRUE(DsaSignDigest(*DevKeys().Find(r.key), digest, size, sig.data()));
    std::vector<uint8_t> image = content;
    image.insert(image.end(), sig.begin(), sig.end());
    const std::vector<uint8_t> tag = Bytes(r.form == SignatureForm::kRawV2 ? kTagRawV2 : kTagRawV1);
    image.insert(image.end(), tag.begin(), tag.end());
    EXPECT_FALSE(Verifies(image, VerifyMode::kAny)) << "key " << r.key;
  }
}

// The PE rule: the CheckSum field, which Authenticode tools rewrite, is not
// covered; every other byte in front of the block is.
TEST(VerifySignature, PeCheckSumFieldIsTheOnlyUncoveredByte) {
  KRV_REQUIRE_DEV_KEYS();
  const std::vector<uint8_t> pe = MakePe(0x014c, 2048);
  for (SignatureForm form : {SignatureForm::kRawV2, SignatureForm::kTextV2}) {
    const std::vector<uint8_t> signed_pe = Signed(pe, form);
    ASSERT_TRUE(Verifies(signed_pe, VerifyMode::kSecondGeneration));
    std::vector<uint8_t> image = signed_pe;
    testing::PutU32(image, testing::kCheckSumAt, 0xDEADBEEF);
    EXPECT_TRUE(Verifies(image, VerifyMode::kSecondGeneration)) << "CheckSum changed";
    for (size_t at : {size_t(0), size_t(2), size_t(60), testing::kCheckSumAt - 1, testing::kCheckSumAt + 4,
                      size_t(1000), pe.size() - 1, pe.size() + 3}) {
      image = signed_pe;
      image[at] ^= 0x01;
      EXPECT_FALSE(Verifies(image, VerifyMode::kSecondGeneration)) << "byte " << at;
    }
  }
  // Content that is not a PE image (or too short for the rule) is hashed
  // whole, CheckSum place included.
  std::vector<uint8_t> short_pe(pe.begin(), pe.begin() + 247);
  std::vector<uint8_t> image = Signed(short_pe, SignatureForm::kRawV2);
  image[testing::kCheckSumAt] ^= 1;
  EXPECT_FALSE(Verifies(image, VerifyMode::kAny));
}

// First-generation text and checksum forms hash only bytes 0x20-0x7F: line
// ends and high bytes may change, letters may not. Form 4 hashes every byte.
TEST(VerifySignature, FilteredTextFormsSurviveLineEndAndCodePageChanges) {
  KRV_REQUIRE_DEV_KEYS();
  const std::string text = "[Setup]\r\nTitle=Caf\xE9 du monde\r\nPath=C:\\Program Files\\Orvane\r\n<!-- ";
  const struct {
    const char* what;
    std::string from, to;
    bool keeps;
  } edits[] = {
      {"CR LF to LF", "\r\n", "\n", true},
      {"a high byte changed", "\xE9", "\xC3\xA9", true},
      {"a tab added", "Title=", "Title=\t", true},
      {"a letter changed", "Title", "Titel", false},
      {"a space added", "du monde", "du  monde", false},
  };
  for (SignatureForm form : {SignatureForm::kTextV1, SignatureForm::kChecksum}) {
    const std::vector<uint8_t> image = Signed(Bytes(text), form);
    const std::string tail = std::string(image.begin() + long(text.size()), image.end()) + " -->\r\n";
    ASSERT_TRUE(Verifies(Bytes(text + tail), VerifyMode::kAny));
    for (const auto& e : edits) {
      std::string changed = text;
      for (size_t at = changed.find(e.from); at != std::string::npos; at = changed.find(e.from, at + e.to.size())) {
        changed.replace(at, e.from.size(), e.to);
      }
      EXPECT_EQ(Verifies(Bytes(changed + tail), VerifyMode::kAny), e.keeps) << int(form) << ": " << e.what;
    }
  }
  std::string lf_text = text;
  lf_text.erase(lf_text.find('\r'), 1);
  const std::vector<uint8_t> v2 = Signed(Bytes(text), SignatureForm::kTextV2);
  std::vector<uint8_t> v2_lf = Bytes(lf_text);
  v2_lf.insert(v2_lf.end(), v2.begin() + long(text.size()), v2.end());
  EXPECT_FALSE(Verifies(v2_lf, VerifyMode::kAny)) << "form 4 covers line ends";
}

TEST(VerifySignature, RefusesDamagedBlocksAndEmptyContent) {
  KRV_REQUIRE_DEV_KEYS();
  const std::vector<uint8_t> content = Bytes("some content to sign");
  for (SignatureForm form : kAllForms) {
    std::vector<uint8_t> image = Signed(content, form);
    image[content.size() + 9] ^= 0x02;  // a signature byte, or one of its digits
    EXPECT_FALSE(Verifies(image, VerifyMode::kAny)) << int(form);
  }
  // A block at offset 0 covers nothing.
  std::vector<uint8_t> block;
  const uint8_t one = 'x';
  ASSERT_EQ(MakeSignatureBlock(SignatureForm::kRawV2, &one, 1, DevKeys(), 0, &block), SignStatus::kOk);
  EXPECT_FALSE(Verifies(block, VerifyMode::kAny));
}

// Two blocks: a form 5 block over the content, then a form 1 block over the
// content and the first block. The second-generation check finds the first
// through the size - 56 probe.
TEST(VerifySignature, FormFiveBehindAFormOneBlock) {
  KRV_REQUIRE_DEV_KEYS();
  const std::vector<uint8_t> content = MakePe(0x014c, 1536);
  const std::vector<uint8_t> both = Signed(Signed(content, SignatureForm::kRawV2), SignatureForm::kRawV1);
  VerifyResult result;
  ASSERT_TRUE(Verifies(both, VerifyMode::kSecondGeneration, &result));
  EXPECT_EQ(result.location.form, SignatureForm::kRawV2);
  EXPECT_EQ(result.location.position, content.size());
  ASSERT_TRUE(Verifies(both, VerifyMode::kFirstGeneration, &result));
  EXPECT_EQ(result.location.form, SignatureForm::kRawV2);
}

// Through the file reader, in several windows, agreeing with the image.
TEST(VerifySignature, ReadsFilesFromDisk) {
  KRV_REQUIRE_DEV_KEYS();
  TempFolder folder;
  std::vector<uint8_t> content(3 * 1024 * 1024 + 5);
  for (size_t i = 0; i < content.size(); ++i) content[i] = uint8_t(i * 13 + i / 4096);
  const std::wstring path = folder.Write(L"big.bin", Signed(content, SignatureForm::kRawV2));
  VerifyResult result;
  ASSERT_TRUE(VerifySignature(path, VerifyMode::kAny, &result));
  EXPECT_EQ(result.location.position, content.size());
  const std::wstring bad = folder.Write(L"bad.bin", Signed(content, SignatureForm::kRawV2));
  std::vector<uint8_t> damaged = ReadAll(folder.path() / "bad.bin");
  damaged[content.size() / 2] ^= 0x80;
  folder.Write(L"bad.bin", damaged);
  EXPECT_FALSE(VerifySignature(bad, VerifyMode::kAny));
  EXPECT_FALSE(VerifySignature(folder.File(L"missing.bin"), VerifyMode::kAny));
}

// Content read in windows gives the digest of the content in one piece, for
// lengths around the window's size and with the PE rule's zeroed CheckSum
// field lying across a window's end.
TEST(ContentDigest, WindowedEqualsOneShot) {
  const size_t w = kHashWindow;
  for (const size_t n : {w - 1, w, w + 1, 2 * w + 1}) {
    for (const uint32_t lfanew : {uint32_t(0x80), uint32_t(w - 88 - 2), uint32_t(w - 88 - 4), uint32_t(w - 88)}) {
      SCOPED_TRACE(::testing::Message() << "n " << n << ", e_lfanew " << lfanew);
      std::vector<uint8_t> content(n);
      for (size_t i = 0; i < n; ++i) content[i] = uint8_t(i * 31 + i / 1000);
      content[0] = 'M';
      content[1] = 'Z';
      testing::PutU32(content, 60, lfanew);
      content[lfanew + 88] = 0x7F;  // a CheckSum the signer's tools would rewrite

      // Independent of ContentHasher: the whole content at once. The rule
      // holds when e_lfanew leaves room for the PE headers (n - 248 >= it).
      std::vector<uint8_t> zeroed = content;
      if (n - 248 >= lfanew) std::fill(zeroed.begin() + lfanew + 88, zeroed.begin() + lfanew + 92, 0);
      uint8_t sha[32], md5[16], filtered_md5[16];
      Sha256::Digest(zeroed.data(), n, sha);
      Md5::Digest(content.data(), n, md5);
      std::vector<uint8_t> printable;
      for (const uint8_t byte : content) {
        if (byte >= 0x20 && byte < 0x80) printable.push_back(byte);
      }
      Md5::Digest(printable.data(), printable.size(), filtered_md5);

      const struct {
        SignatureForm form;
        const uint8_t* expected;
        size_t size;
      } forms[] = {{SignatureForm::kRawV2, sha, 32}, {SignatureForm::kRawV1, md5, 16},
                   {SignatureForm::kChecksum, filtered_md5, 16}};
      for (const auto& f : forms) {
        SCOPED_TRACE(int(f.form));
        MemoryByteSource source(content.data(), n);
        uint8_t digest[32];
        size_t size = 0;
        ASSERT_TRUE(SourceContentDigest(source, f.form, n, digest, &size));
        EXPECT_EQ(std::vector<uint8_t>(digest, digest + size), std::vector<uint8_t>(f.expected, f.expected + f.size));
        uint8_t in_memory[32];
        EXPECT_EQ(ContentDigest(f.form, content.data(), n, in_memory), f.size);
        EXPECT_EQ(std::memcmp(in_memory, f.expected, f.size), 0);
      }
    }
  }
}

// A file reader whose file is cut short by someone else just as the content
// is about to be hashed (the first read larger than the locator's), as a
// file on a share may be.
class TruncatedWhileHashed : public FileByteSource {
 public:
  TruncatedWhileHashed(const std::wstring& path, uint64_t keep) : FileByteSource(path), path_(path), keep_(keep) {}
  bool ReadAt(uint64_t offset, void* buffer, uint32_t n) override {
    if (n > 4096 && !cut_) {
      std::filesystem::resize_file(path_, keep_);
      cut_ = true;
    }
    return FileByteSource::ReadAt(offset, buffer, n);
  }

 private:
  std::filesystem::path path_;
  uint64_t keep_;
  bool cut_ = false;
};

// A read fault while hashing is a failed verification, not the end of the
// process.
TEST(VerifySignature, AFileCutShortWhileHashedDoesNotVerify) {
  KRV_REQUIRE_DEV_KEYS();
  TempFolder folder;
  std::vector<uint8_t> content(2 * 1024 * 1024 + 17);
  for (size_t i = 0; i < content.size(); ++i) content[i] = uint8_t(i * 7 + i / 512);
  for (const SignatureForm form : {SignatureForm::kRawV2, SignatureForm::kRawV1}) {
    SCOPED_TRACE(int(form));
    const std::wstring path = folder.Write(L"cut.bin", Signed(content, form));
    TruncatedWhileHashed source(path, 4096);
    ASSERT_TRUE(source.Open());
    EXPECT_FALSE(VerifySignatureIn(source, VerifyMode::kAny));
  }
}

#ifndef _WIN32
// Runs osslsigncode on `in` with a throwaway certificate made in folder.
void Authenticode(const TempFolder& folder, const char* in, const char* out) {
  const std::string dir = folder.path().string();
  const std::string quiet = " >/dev/null 2>&1";
  if (!std::filesystem::exists(folder.path() / "cert.pem")) {
    ASSERT_EQ(std::system(("openssl req -x509 -newkey rsa:2048 -nodes -days 2 -subj /CN=krv-test -keyout '" + dir +
                           "/key.pem' -out '" + dir + "/cert.pem'" + quiet)
                              .c_str()),
              0);
  }
  ASSERT_EQ(std::system(("osslsigncode sign -certs '" + dir + "/cert.pem' -key '" + dir + "/key.pem' -in '" + dir +
                         "/" + in + "' -out '" + dir + "/" + out + "'" + quiet)
                            .c_str()),
            0);
}

uint32_t U32At(const std::vector<uint8_t>& bytes, size_t at) {
  return uint32_t(bytes[at]) | uint32_t(bytes[at + 1]) << 8 | uint32_t(bytes[at + 2]) << 16 |
         uint32_t(bytes[at + 3]) << 24;
}

// A PE signed with form 5, then Authenticode-signed by osslsigncode: the
// certificate table lands behind the block (after zero padding) and the tool
// rewrites the CheckSum and the security directory entry. The block is found
// through the PE end probe either way. Signed plainly, the changed directory
// entry breaks the signature; signed for the table the tool then adds
// (SignFileForAuthenticode), the file verifies.
TEST(VerifySignature, SurvivesAnAuthenticodeSignature) {
  KRV_REQUIRE_DEV_KEYS();
  TempFolder folder;
  const std::vector<uint8_t> content = MakePe(0x014c, 8192 + 3);

  folder.Write(L"plain.exe", Signed(content, SignatureForm::kRawV2));
  Authenticode(folder, "plain.exe", "plain-signed.exe");
  const std::vector<uint8_t> plain = ReadAll(folder.path() / "plain-signed.exe");
  const uint32_t table_size = U32At(plain, testing::kSecurityEntry32At + 4);
  ASSERT_EQ(U32At(plain, testing::kSecurityEntry32At), (content.size() + 72 + 7) & ~size_t(7));
  ASSERT_GT(table_size, 500u);
  SignatureLocation location;
  ASSERT_TRUE(LocateSignature(folder.File(L"plain-signed.exe"), VerifyMode::kAny, &location));
  EXPECT_EQ(location.form, SignatureForm::kRawV2);
  EXPECT_EQ(location.position, content.size());
  EXPECT_FALSE(VerifySignature(folder.File(L"plain-signed.exe"), VerifyMode::kAny));

  const std::wstring reserved = folder.Write(L"reserved.exe", content);
  ASSERT_EQ(SignFileForAuthenticode(reserved, SignatureForm::kRawV2, DevKeys(), 0, table_size), SignStatus::kOk);
  EXPECT_FALSE(VerifySignature(reserved, VerifyMode::kAny)) << "not before the table is there";
  Authenticode(folder, "reserved.exe", "reserved-signed.exe");
  VerifyResult result;
  ASSERT_TRUE(VerifySignature(folder.File(L"reserved-signed.exe"), VerifyMode::kSecondGeneration, &result));
  EXPECT_EQ(result.location.position, content.size());
  EXPECT_EQ(ReadAll(folder.path() / "reserved-signed.exe").size(), plain.size());
}
#endif

}  // namespace
}  // namespace krv::signature
