#include "stub/progress_title.h"

#include <gtest/gtest.h>

namespace krv::stub {
namespace {

struct TitleCase {
  bool with_brand;
  uint16_t language;
  int32_t edition;
  const wchar_t* expected;
};

constexpr TitleCase kTitleCases[] = {
    {true, 0, 1, L"Orvane Free Antivirus"},
    {false, 0, 1, L"Free Antivirus"},
    {true, 1036, 1, L"Orvane Antivirus Gratuit"},
    // French (Canada) is not French (France): the default name is used.
    {true, 3084, 1, L"Orvane Free Antivirus"},
    // An edition without a French name falls back to language 0.
    {true, 1036, 2, L"Orvane Pro Antivirus"},
    {true, 1033, 18, L"Orvane Business Security"},
    // The second brand's editions take its own prefix.
    {true, 0, 15, L"KESTIL Free Antivirus"},
    {true, 1036, 15, L"KESTIL Antivirus Gratuit"},
    {true, 0, 17, L"KESTIL Total Security"},
    {false, 0, 16, L"Internet Security"},
    // Unknown editions, including the "unreadable" -1, give no title.
    {true, 0, -1, L""},
    {true, 0, 4, L""},
    {true, 1036, 99, L""},
};

TEST(MakeProgressTitle, LooksUpEditionLanguageAndBrandPrefix) {
  for (const TitleCase& c : kTitleCases) {
    SCOPED_TRACE(testing::Message() << "edition " << c.edition << " language " << c.language);
    EXPECT_EQ(MakeProgressTitle(c.with_brand, c.language, c.edition), c.expected);
  }
}

TEST(EditionNameTable, HoldsNineEditionsWithThreeFrenchNames) {
  const EditionNameMap& table = EditionNameTable();
  EXPECT_EQ(table.size(), 9u);
  size_t french = 0;
  for (const auto& [edition, names] : table) {
    EXPECT_TRUE(names.count(0)) << edition;
    french += names.count(1036);
  }
  EXPECT_EQ(french, 3u);
}

}  // namespace
}  // namespace krv::stub
