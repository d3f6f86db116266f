#include "runtime/nocase.h"

#include <gtest/gtest.h>

#include <locale>
#include <optional>
#include <ostream>
#include <string>

#include "runtime/exceptions.h"

namespace krv::nocase {
namespace {

struct CompareCase {
  const char* name;
  const wchar_t* left;
  size_t left_length;
  const wchar_t* right;
  size_t right_length;
  size_t max_count;
  int expected;
};

// Names the case in test output instead of dumping its bytes.
void PrintTo(const CompareCase& c, std::ostream* os) { *os << c.name; }

class NocaseCompareTest : public testing::TestWithParam<CompareCase> {};

TEST_P(NocaseCompareTest, ClassicLocale) {
  const CompareCase& c = GetParam();
  EXPECT_EQ(compare(c.left, c.left_length, c.right, c.right_length, c.max_count,
                    std::locale::classic()),
            c.expected);
  EXPECT_EQ(compare(c.left, c.left_length, c.right, c.right_length, c.max_count), c.expected)
      << "the form without a locale";
}

constexpr size_t W = kWhole;

INSTANTIATE_TEST_SUITE_P(
    Cases, NocaseCompareTest,
    testing::Values(
        CompareCase{"EqualIgnoringCase", L"Silent", W, L"sILENT", W, W, 0},
        CompareCase{"FirstDifferenceDecides", L"abc", W, L"ABD", W, W, -1},
        CompareCase{"FirstDifferenceDecidesRight", L"abd", W, L"ABC", W, W, 1},
        CompareCase{"ShorterIsSmaller", L"ab", W, L"ABC", W, W, -1},
        CompareCase{"LongerIsGreater", L"abc", W, L"AB", W, W, 1},
        CompareCase{"BothEmpty", L"", W, L"", W, W, 0},
        CompareCase{"MaxCountReached", L"abX", W, L"ABy", W, 2, 0},
        CompareCase{"MaxCountZero", L"a", W, L"b", W, 0, 0},
        CompareCase{"MaxCountBeyondShorterText", L"ab", W, L"abc", W, 3, -1},
        CompareCase{"ExplicitLengths", L"abcdef", 3, L"ABCxyz", 3, W, 0},
        CompareCase{"ExplicitLengthShorter", L"abcdef", 2, L"abc", W, W, -1},
        // '[' (0x5B) lies between 'A' and 'a': the fold must happen first.
        CompareCase{"FoldBeforeOrder", L"[", W, L"A", W, W, -1},
        CompareCase{"AccentedLettersDoNotFold", L"\u00C9", W, L"\u00E9", W, W, -1},
        CompareCase{"NonAsciiAboveAscii", L"\u00E9", W, L"z", W, W, 1},
        CompareCase{"Unsigned16Bit", L"\u8000", W, L"\u7FFF", W, W, 1},
        CompareCase{"LoneSurrogateBelowHighBmp", L"\xD800", W, L"\uFF00", W, W, -1},
        // U+1F600 is D83D DE00 in UTF-16: below U+FFFD in code-unit order.
        CompareCase{"SupplementaryOrdersAsSurrogates", L"\uFFFD", W, L"\U0001F600", W, W, 1},
        CompareCase{"SupplementaryCharactersInOrder", L"\U0001F600", W, L"\U0001F601", W, W, -1}),
    [](const testing::TestParamInfo<CompareCase>& info) { return std::string(info.param.name); });

TEST(NocaseCompareTest, NullTextsAreFatal) {
  struct NullCase {
    const wchar_t* left;
    const wchar_t* right;
    const char* message;
  };
  for (const NullCase& c : {NullCase{nullptr, L"a", "nocase::compare left nullparam"},
                            NullCase{L"a", nullptr, "nocase::compare right nullparam"},
                            NullCase{nullptr, nullptr, "nocase::compare left nullparam"}}) {
    try {
      compare(c.left, W, c.right, W, W, std::locale::classic());
      ADD_FAILURE() << "no exception for " << c.message;
    } catch (const exceptions::fatal& e) {
      EXPECT_STREQ(e.what(), c.message);
      EXPECT_EQ(e.code(), 87);
    }
  }
}

// A locale whose wide lower-case mapping also folds E with acute accent.
class AccentFolding : public std::ctype<wchar_t> {
 protected:
  wchar_t do_tolower(wchar_t c) const override {
    return c == L'\u00C9' ? L'\u00E9' : std::ctype<wchar_t>::do_tolower(c);
  }
};

TEST(NocaseCompareTest, OtherLocaleFoldsWithItsMapping) {
  const std::locale folding(std::locale::classic(), new AccentFolding);
  EXPECT_EQ(compare(L"\u00C9t\u00E9", W, L"\u00E9T\u00C9", W, W, folding), 0);
  EXPECT_EQ(compare(L"\u00C9t\u00E9", W, L"\u00E9T\u00C9", W, W, std::locale::classic()), -1);
}

TEST(NocaseLessTest, OrdersAndMatchesWithoutCase) {
  for (const less& order : {less{std::locale::classic()}, less{}}) {
    EXPECT_TRUE(order(L"alpha", L"BETA"));
    EXPECT_FALSE(order(L"BETA", L"alpha"));
    EXPECT_FALSE(order(L"Key", L"kEY"));
    EXPECT_FALSE(order(L"kEY", L"Key"));
    EXPECT_TRUE(order(L"\u00C9", L"\u00E9")) << "only A to Z fold";
  }
}

TEST(NocaseLessTest, OtherLocaleFoldsWithItsMappingForItsWholeLife) {
  std::optional<less> order;
  {
    const std::locale folding(std::locale::classic(), new AccentFolding);
    order.emplace(folding);
  }
  // The locale it was made with is gone; the comparator keeps its own.
  const less copy = *order;
  order.reset();
  EXPECT_FALSE(copy(L"\u00C9t\u00E9", L"\u00E9T\u00C9"));
  EXPECT_FALSE(copy(L"\u00E9T\u00C9", L"\u00C9t\u00E9"));
}

}  // namespace
}  // namespace krv::nocase
