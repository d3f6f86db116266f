#include "sfxarc/signature/key_file.h"

#include <gtest/gtest.h>

#include <string>

#include "sfxarc/signature/dsa_key_table.h"
#include "sfxarc/signature/dsa_sign.h"
#include "sfxarc/signature/key_generation.h"
#include "tests/sfxarc/signature_test_support.h"
#include "tests/sfxarc/temp_folder.h"

namespace krv::signature {
namespace {

using testing::DevKeys;
using testing::EmbeddedKeys;

std::string Hex(size_t bytes, char digit = '1') { return std::string(2 * bytes, digit); }

// A well-formed key 2 (1024/160 widths), with x when asked.
std::string Key2(bool with_x) {
  return "key 2\np = " + Hex(128) + "\nq = " + Hex(20) + "\ng = " + Hex(128) + "\ny = " + Hex(128) + "\n" +
         (with_x ? "x = " + Hex(20) + "\n" : "");
}

TEST(KeyFile, ParsesCommentsBlankLinesAndEitherCase) {
  DsaKeySet keys;
  int line = -1;
  const std::string text = "# header\n\n  " + Key2(true) + "\n# trailer\r\nkey 7\r\np = " + Hex(256, 'A') +
                           "\r\nq = " + Hex(32, 'b') + "\r\ng=" + Hex(256) + "\r\ny =" + Hex(256) + "\r\n";
  ASSERT_EQ(ParseKeyText(text, &keys, &line), KeyFileStatus::kOk);
  EXPECT_EQ(line, 0);
  ASSERT_NE(keys.Find(2), nullptr);
  EXPECT_TRUE(keys.Find(2)->has_private());
  ASSERT_NE(keys.Find(7), nullptr);
  EXPECT_FALSE(keys.Find(7)->has_private());
  EXPECT_EQ(keys.Find(7)->p.front(), 0xAA);
  EXPECT_EQ(keys.Find(7)->q.back(), 0xBB);
  EXPECT_EQ(keys.Find(1), nullptr);
  EXPECT_EQ(keys.Find(0), nullptr);
  EXPECT_EQ(keys.Find(15), nullptr);
}

TEST(KeyFile, RefusesMalformedText) {
  const struct {
    const char* what;
    std::string text;
    KeyFileStatus status;
    int line;
  } cases[] = {
      {"unknown line", "key 2\nhello\n", KeyFileStatus::kBadLine, 2},
      {"unknown field", "key 2\nz = 00\n", KeyFileStatus::kBadLine, 2},
      {"key 0", "key 0\n", KeyFileStatus::kBadKeyNumber, 1},
      {"key 15", "key 15\n", KeyFileStatus::kBadKeyNumber, 1},
      {"key twice", Key2(false) + "key 2\n", KeyFileStatus::kBadKeyNumber, 6},
      {"key without number", "key x\n", KeyFileStatus::kBadKeyNumber, 1},
      {"value before key", "p = 00\n", KeyFileStatus::kFieldOutsideKey, 1},
      {"field twice", "key 2\np = 00\np = 00\n", KeyFileStatus::kDuplicateField, 3},
      {"odd digits", "key 2\np = 000\n", KeyFileStatus::kBadHex, 2},
      {"not a digit", "key 2\np = 0g\n", KeyFileStatus::kBadHex, 2},
      {"empty value", "key 2\np =\n", KeyFileStatus::kBadHex, 2},
      {"missing y", "key 2\np = " + Hex(128) + "\nq = " + Hex(20) + "\ng = " + Hex(128) + "\n",
       KeyFileStatus::kMissingField, 0},
      {"key named without values", "key 3\n", KeyFileStatus::kMissingField, 0},
      {"2048-bit p for key 2", "key 2\np = " + Hex(256) + "\nq = " + Hex(20) + "\ng = " + Hex(128) +
                                   "\ny = " + Hex(128) + "\n",
       KeyFileStatus::kWrongSize, 0},
      {"short x", Key2(false) + "x = " + Hex(19) + "\n", KeyFileStatus::kWrongSize, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    DsaKeySet keys;
    int line = -1;
    EXPECT_EQ(ParseKeyText(c.text, &keys, &line), c.status);
    EXPECT_EQ(line, c.line);
    for (int number = 1; number <= 14; ++number) EXPECT_EQ(keys.Find(number), nullptr);
  }
}

TEST(KeyFile, WritesWhatItReads) {
  krv::sfxarc::testing::TempFolder folder;
  // A non-ASCII name: the POSIX build must hand it to the system as UTF-8.
  const std::wstring path = folder.path().wstring() + L"/keys \u00e9.keys";
  ASSERT_EQ(WriteKeyFile(path, DevKeys(), true, "line one\nline two"), KeyFileStatus::kOk);
  DsaKeySet back;
  ASSERT_EQ(ReadKeyFile(path, &back, nullptr), KeyFileStatus::kOk);
  for (int number = 1; number <= 14; ++number) {
    SCOPED_TRACE(number);
    ASSERT_NE(back.Find(number), nullptr);
    EXPECT_EQ(back.Find(number)->x, DevKeys().Find(number)->x);
    EXPECT_EQ(back.Find(number)->y, DevKeys().Find(number)->y);
  }
  const std::string public_text = FormatKeyText(DevKeys(), false, "header");
  EXPECT_EQ(public_text.find("x ="), std::string::npos);
  EXPECT_EQ(public_text.rfind("# header\n", 0), 0u);
  EXPECT_EQ(ReadKeyFile(folder.File(L"missing.keys"), &back, nullptr), KeyFileStatus::kCannotOpen);
}

// The committed development set: fourteen keys of the table's sizes, the
// public file the private one without x, 5 and 11-14 sharing p, q, g.
TEST(DevelopmentKeys, HaveTheLayoutOfTheKeyTable) {
  int line = 0;
  DsaKeySet public_keys;
  ASSERT_EQ(ReadKeyFile(std::filesystem::path(KRV_DEV_PUBLIC_KEYS).wstring(), &public_keys, &line),
            KeyFileStatus::kOk);
  for (int number = 1; number <= 14; ++number) {
    SCOPED_TRACE(number);
    const DsaKey& key = *DevKeys().Find(number);
    EXPECT_TRUE(key.has_private());
    EXPECT_FALSE(public_keys.Find(number)->has_private());
    EXPECT_EQ(public_keys.Find(number)->y, key.y);
    const DsaKey& key5 = *DevKeys().Find(5);
    const bool shares = number >= 11;
    EXPECT_EQ(key.p == key5.p && key.q == key5.q && key.g == key5.g, shares || number == 5);
  }
}

// The table CMake generated from KRV_KEYS_FILE holds that file's values, and
// keys sharing parameters share their bytes.
TEST(BuiltinKeyTable, HoldsTheConfiguredKeyFile) {
  for (int number = 1; number <= kBuiltinDsaKeyCount; ++number) {
    SCOPED_TRACE(number);
    const DsaPublicKey& builtin = BuiltinDsaKey(number);
    const DsaKey& file = *EmbeddedKeys().Find(number);
    EXPECT_EQ(std::vector<uint8_t>(builtin.p.data, builtin.p.data + builtin.p.size), file.p);
    EXPECT_EQ(std::vector<uint8_t>(builtin.q.data, builtin.q.data + builtin.q.size), file.q);
    EXPECT_EQ(std::vector<uint8_t>(builtin.g.data, builtin.g.data + builtin.g.size), file.g);
    EXPECT_EQ(std::vector<uint8_t>(builtin.y.data, builtin.y.data + builtin.y.size), file.y);
  }
  EXPECT_EQ(BuiltinDsaKey(13).p.data, BuiltinDsaKey(5).p.data);
  EXPECT_NE(BuiltinDsaKey(6).p.data, BuiltinDsaKey(5).p.data);
  EXPECT_EQ(&BuiltinDsaKey(0), &BuiltinDsaKey(1));
  EXPECT_EQ(&BuiltinDsaKey(15), &BuiltinDsaKey(1));
}

TEST(KeyGeneration, MakesTheFourteenKeySet) {
  DsaKeySet keys;
  ASSERT_TRUE(GenerateKeySet(&keys));
  for (int number = 1; number <= 14; ++number) {
    SCOPED_TRACE(number);
    const DsaKey* key = keys.Find(number);
    ASSERT_NE(key, nullptr);
    EXPECT_EQ(key->p.size(), KeyModulusSize(number));
    EXPECT_EQ(key->q.size(), KeySubgroupSize(number));
    EXPECT_EQ(key->x.size(), KeySubgroupSize(number));
    EXPECT_GE(key->p.front(), 0x80) << "p has its full bit length";
    EXPECT_EQ(key->p == keys.Find(5)->p, number == 5 || number >= 11);
    EXPECT_NE(key->y, keys.Find(number == 5 ? 11 : 5)->y);
    const std::vector<uint8_t> digest(number <= 4 ? 16 : 32, 0xC3);
    std::vector<uint8_t> sig(2 * key->q.size());
    ASSERT_TRUE(DsaSignDigest(*key, digest.data(), digest.size(), sig.data()));
    EXPECT_TRUE(DsaVerifyWithKey(key->public_key(), digest.data(), digest.size(), sig.data(), sig.size()));
  }
  // Its text reads back unchanged.
  DsaKeySet back;
  ASSERT_EQ(ParseKeyText(FormatKeyText(keys, true, ""), &back, nullptr), KeyFileStatus::kOk);
  EXPECT_EQ(back.Find(14)->x, keys.Find(14)->x);
}

TEST(KeyGeneration, RefusesOtherSizes) {
  DsaKey key;
  EXPECT_FALSE(GenerateDsaKey(2048, 160, nullptr, &key));
  EXPECT_FALSE(key.present());
  EXPECT_FALSE(GenerateDsaKey(1024, 160, DevKeys().Find(5), &key)) << "shared parameters of another size";
}

}  // namespace
}  // namespace krv::signature
