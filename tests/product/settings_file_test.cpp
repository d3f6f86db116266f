// The settings-file parser: encodings, line rules, sections and number reads.
#include "product/settings_file.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "runtime/last_error.h"

namespace krv::product {
namespace {

using Bytes = std::vector<uint8_t>;
using Pairs = std::vector<std::pair<std::wstring, std::wstring>>;

Bytes Utf8(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes WithPrefix(Bytes prefix, const Bytes& rest) {
  prefix.insert(prefix.end(), rest.begin(), rest.end());
  return prefix;
}

// UTF-16 of UTF-8 text given as code points (the test texts are small).
std::vector<uint16_t> Utf16Units(const std::u32string& text) {
  std::vector<uint16_t> units;
  for (char32_t c : text) {
    if (c >= 0x10000) {
      units.push_back(static_cast<uint16_t>(0xD800 + ((c - 0x10000) >> 10)));
      units.push_back(static_cast<uint16_t>(0xDC00 + ((c - 0x10000) & 0x3FF)));
    } else {
      units.push_back(static_cast<uint16_t>(c));
    }
  }
  return units;
}

Bytes Utf16(const std::u32string& text, bool big_endian) {
  Bytes bytes = big_endian ? Bytes{0xFE, 0xFF} : Bytes{0xFF, 0xFE};
  for (uint16_t unit : Utf16Units(text)) {
    const uint8_t high = static_cast<uint8_t>(unit >> 8), low = static_cast<uint8_t>(unit);
    bytes.push_back(big_endian ? high : low);
    bytes.push_back(big_endian ? low : high);
  }
  return bytes;
}

SettingsFile Parsed(const Bytes& bytes) {
  SettingsFile file;
  file.Parse(bytes.data(), bytes.size());
  return file;
}

SettingsFile Parsed(const std::string& utf8) { return Parsed(Utf8(utf8)); }

// The same file in each encoding: "café" and an emoji outside the BMP must
// come out as the same wide text in both builds.
TEST(SettingsFileEncoding, EveryEncodingGivesTheSameSections) {
  const std::u32string text = U"[Common]\r\nName=caf\u00e9 \U0001F600\r\nEdition=15\r\n[Urls]\r\nLast=x\r\n";
  const std::string utf8 = "[Common]\r\nName=caf\xc3\xa9 \xf0\x9f\x98\x80\r\nEdition=15\r\n[Urls]\r\nLast=x\r\n";
  struct Case {
    const char* name;
    Bytes bytes;
    SettingsFile::Encoding encoding;
  };
  const Case cases[] = {
      {"utf-16le", Utf16(text, false), SettingsFile::kUtf16LittleEndian},
      {"utf-16be", Utf16(text, true), SettingsFile::kUtf16BigEndian},
      {"utf-8 with mark", WithPrefix({0xEF, 0xBB, 0xBF}, Utf8(utf8)), SettingsFile::kUtf8},
      {"utf-8 without mark", Utf8(utf8), SettingsFile::kUtf8},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    SettingsFile file = Parsed(c.bytes);
    EXPECT_EQ(file.encoding(), c.encoding);
    ASSERT_EQ(file.Sections().size(), 2u);
    EXPECT_EQ(file.Section(L"Common").GetString(L"Name", L""), L"caf\u00e9 \U0001F600");
    EXPECT_EQ(file.Section(L"Common").GetInt(L"Edition", 0), 15);
    EXPECT_EQ(file.Section(L"Urls").GetString(L"Last", L""), L"x");
  }
}

TEST(SettingsFileEncoding, OddTrailingByteAndLoneSurrogateAndBadUtf8) {
  Bytes le = Utf16(U"[a]\nk=v", false);
  le.push_back(0x41);  // half a code unit: ignored
  EXPECT_EQ(Parsed(le).Section(L"a").GetString(L"k", L""), L"v");

  // A lone high surrogate stays one unit of the same value in both builds.
  Bytes lone = Utf16(U"[a]\nk=", false);
  lone.insert(lone.end(), {0x00, 0xD8, 0x41, 0x00});
  const std::wstring value = Parsed(lone).Section(L"a").GetString(L"k", L"");
  ASSERT_EQ(value.size(), 2u);
  EXPECT_EQ(static_cast<uint32_t>(value[0]), 0xD800u);
  EXPECT_EQ(value[1], L'A');

  EXPECT_EQ(Parsed("[a]\nk=\xff" "b").Section(L"a").GetString(L"k", L""), L"\uFFFD" L"b");
  // FE FF with nothing after it is an empty big-endian file.
  EXPECT_TRUE(Parsed(Bytes{0xFE, 0xFF}).Sections().empty());
  EXPECT_EQ(Parsed(Bytes{0xFE, 0xFF}).encoding(), SettingsFile::kUtf16BigEndian);
}

TEST(SettingsFileLines, LineEndsCommentsAndStrayLines) {
  const SettingsFile lf = Parsed("[s]\nk=v\nx=1\n");
  SettingsFile crlf = Parsed("[s]\r\nk=v\r\nx=1\r\n");
  EXPECT_EQ(crlf.Section(L"s").Keys(), SettingsFile(lf).Section(L"s").Keys());
  EXPECT_EQ(crlf.Section(L"s").Keys().size(), 2u);

  // Only one CR before the LF goes; a lone CR inside a line is part of it.
  SettingsFile cr = Parsed("[s]\nk=a\rb\r\nm=c\r\r\n");
  EXPECT_EQ(cr.Section(L"s").GetString(L"k", L""), L"a\rb");
  EXPECT_EQ(cr.Section(L"s").GetString(L"m", L""), L"c\r");

  SettingsFile stray = Parsed(
      "before=ignored\n"
      ";comment=1\n"
      "#hash=2\n"
      "[\n"
      "[s]\n"
      "no equals sign\n"
      "=empty key\n"
      "empty value=\n"
      "[t\n"
      "a=b=c\n");
  EXPECT_EQ(stray.Sections().size(), 1u);
  const auto& keys = stray.Section(L"s").Keys();
  const Pairs expected = {{L"", L"empty key"}, {L"a", L"b=c"}, {L"empty value", L""}};
  EXPECT_EQ(Pairs(keys.begin(), keys.end()), expected);
}

TEST(SettingsFileLines, KeysAndSectionsIgnoreCaseAndKeepFirstSpelling) {
  SettingsFile file = Parsed("[Common]\nEdition=3\n[COMMON]\nedition=5\n");
  ASSERT_EQ(file.Sections().size(), 1u);
  EXPECT_EQ(file.Sections().begin()->first, L"Common");
  const auto& keys = file.Section(L"common").Keys();
  ASSERT_EQ(keys.size(), 1u);
  EXPECT_EQ(keys.begin()->first, L"Edition");
  EXPECT_EQ(file.Section(L"Common").GetString(L"edition", L""), L"5");
}

TEST(SettingsFileLines, BlanksAreKeptInKeysAndValues) {
  SettingsFile file = Parsed("[s]\n Edition = 3\n");
  const auto& keys = file.Section(L"s").Keys();
  ASSERT_EQ(keys.size(), 1u);
  EXPECT_EQ(keys.begin()->first, L" Edition ");
  EXPECT_EQ(keys.begin()->second, L" 3");
  EXPECT_EQ(file.Section(L"s").GetInt(L" Edition ", 0), 3);
  EXPECT_EQ(file.Section(L"s").GetInt(L"Edition", -7), -7);
}

TEST(SettingsFileSections, DottedPathsNestAndEmptyNamesCount) {
  SettingsFile file = Parsed("[products.A.current]\nversion=7\n[products..x]\n[]\nroot=1\n");
  const auto& products = file.Section(L"products").Sections();
  ASSERT_EQ(products.size(), 2u);
  EXPECT_EQ(products.begin()->first, L"");
  EXPECT_EQ(std::next(products.begin())->first, L"A");
  EXPECT_EQ(file.Section(L"PRODUCTS.a.Current").GetInt(L"version", 0), 7);
  EXPECT_TRUE(file.Section(L"products").Keys().empty());
  EXPECT_EQ(file.Section(L"").GetString(L"root", L""), L"1");
  EXPECT_EQ(file.Section(L"products..x").Keys().size(), 0u);
  EXPECT_EQ(file.Section(L"products").Section(L"").Sections().count(L"x"), 1u);
}

// Headers and paths someone else wrote: a path nests at most kMaxDepth
// levels, the rest of it stays in the deepest name, and neither the lookup
// nor the teardown costs a stack frame per dot.
TEST(SettingsFileSections, NestingIsBoundedWhateverTheNumberOfDots) {
  struct Row {
    const char* what;
    std::wstring path;
    size_t depth;
    std::wstring deepest_name;
  };
  std::wstring letters = L"a";  // kMaxDepth + 1 parts: a.b.c...
  for (size_t i = 1; i <= SettingsSection::kMaxDepth; ++i) {
    letters += L'.';
    letters += static_cast<wchar_t>(L'a' + i % 26);
  }
  const std::wstring at_limit = letters.substr(0, 2 * SettingsSection::kMaxDepth - 1);
  const std::wstring dots(100000, L'.');
  const Row rows[] = {
      {"as many parts as the limit", at_limit, SettingsSection::kMaxDepth, at_limit.substr(at_limit.size() - 1)},
      {"one part more", letters, SettingsSection::kMaxDepth, letters.substr(letters.size() - 3)},
      {"100,000 dots", dots, SettingsSection::kMaxDepth, dots.substr(SettingsSection::kMaxDepth - 1)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    std::string header = "[";
    for (wchar_t c : row.path) header += static_cast<char>(c);
    SettingsFile file = Parsed(header + "]\nkey=value\n");
    size_t depth = 0;
    const SettingsSection* deepest = nullptr;
    std::wstring deepest_name;
    for (const auto* level = &file.Sections(); level->size() == 1; level = &deepest->Sections()) {
      ++depth;
      deepest_name = level->begin()->first;
      deepest = &level->begin()->second;
    }
    EXPECT_EQ(depth, row.depth);
    EXPECT_EQ(deepest_name, row.deepest_name);
    ASSERT_NE(deepest, nullptr);
    EXPECT_EQ(deepest->GetString(L"key", L""), L"value");
    EXPECT_EQ(&file.Section(row.path), deepest) << "a lookup finds the section the header made";
  }
}

TEST(SettingsFileSections, ParseReplacesEarlierContentAndSectionCreatesInMemory) {
  SettingsFile file = Parsed("[old]\nk=v\n");
  const std::string fresh = "[new]\nk=w\n";
  file.Parse(reinterpret_cast<const uint8_t*>(fresh.data()), fresh.size());
  ASSERT_EQ(file.Sections().size(), 1u);
  EXPECT_EQ(file.Sections().begin()->first, L"new");
  file.Section(L"made.here");
  EXPECT_EQ(file.Sections().size(), 2u);
}

TEST(SettingsFileReads, GetStringReportsMissingKeysThroughLastError) {
  SettingsFile file = Parsed("[s]\nk=v\n");
  os::set_last_error(99);
  EXPECT_EQ(file.Section(L"s").GetString(L"K", L"d"), L"v");
  EXPECT_EQ(os::last_error(), 0u);
  EXPECT_EQ(file.Section(L"s").GetString(L"missing", L"d"), L"d");
  EXPECT_EQ(os::last_error(), 3u);
}

TEST(SettingsFileReads, GetIntTable) {
  struct Case {
    const char* value;  // null: the key is missing
    int32_t expected;
    uint32_t error;
  };
  const Case cases[] = {
      {"3", 3, 0},           {"3x", 3, 0},           {" \t-5", -5, 0},   {"+7", 7, 0},
      {"x3", -9, 1804},      {"99999999999", -9, 1804}, {"", -9, 1804}, {"-", -9, 1804},
      {"2147483647", 2147483647, 0}, {"-2147483648", INT32_MIN, 0},     {"2147483648", -9, 1804},
      {"-2147483649", -9, 1804},     {nullptr, -9, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value ? c.value : "(missing)");
    SettingsFile file = Parsed(c.value ? std::string("[s]\nn=") + c.value + "\n" : std::string("[s]\n"));
    os::set_last_error(77);
    EXPECT_EQ(file.Section(L"s").GetInt(L"N", -9), c.expected);
    EXPECT_EQ(os::last_error(), c.error);
  }
}

TEST(SettingsFileReads, GetInt64Table) {
  struct Case {
    const char* value;
    int64_t expected;
    uint32_t error;
  };
  const Case cases[] = {
      {"1700000000123", 1700000000123, 0},
      {"9223372036854775807", INT64_MAX, 0},
      {"-9223372036854775808", INT64_MIN, 0},
      {"9223372036854775808", 0, 1804},
      {"abc", 0, 1804},
      {nullptr, 0, 3},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.value ? c.value : "(missing)");
    SettingsFile file = Parsed(c.value ? std::string("[s]\nn=") + c.value + "\n" : std::string("[s]\n"));
    EXPECT_EQ(file.Section(L"s").GetInt64(L"n"), c.expected);
    EXPECT_EQ(os::last_error(), c.error);
  }
}

}  // namespace
}  // namespace krv::product
