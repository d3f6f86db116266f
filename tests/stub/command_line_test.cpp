#include "stub/command_line.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <utility>
#include <vector>

namespace krv::stub {
namespace {

using Tokens = std::vector<std::wstring>;

struct SplitCase {
  const char* name;
  std::wstring text;
  Tokens tokens;
};

// Names the case in test output instead of dumping its bytes.
void PrintTo(const SplitCase& c, std::ostream* os) { *os << c.name; }

class SplitCommandLineTest : public testing::TestWithParam<SplitCase> {};

TEST_P(SplitCommandLineTest, Splits) {
  EXPECT_EQ(SplitCommandLine(GetParam().text), GetParam().tokens);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SplitCommandLineTest,
    testing::Values(
        SplitCase{"Empty", L"", {}},
        SplitCase{"OneWord", L"abc", {L"abc"}},
        SplitCase{"RunOfMixedDelimitersIsOneBreak", L"a \t\r\n b", {L"a", L"b"}},
        SplitCase{"LeadingRunYieldsNoExtraToken", L" \t a", {L"a"}},
        SplitCase{"TrailingRunYieldsEmptyToken", L"a  ", {L"a", L""}},
        SplitCase{"OnlyDelimiters", L"   ", {L""}},
        SplitCase{"QuotedBlanksStayInToken", L"\"a b\" c", {L"a b", L"c"}},
        SplitCase{"QuoteInsideTokenOnlySwitchesQuoting", L"a\"b c\"d", {L"ab cd"}},
        SplitCase{"DoubledQuoteInsideTokenIsLiteral", L"a\"\"b", {L"a\"b"}},
        SplitCase{"DoubledQuoteAloneIsLiteral", L"\"\"", {L"\""}},
        SplitCase{"DoubledQuoteInsideQuotesKeepsQuoting", L"\"a \"\" b\" c", {L"a \" b", L"c"}},
        SplitCase{"UnclosedQuoteRunsToEnd", L"a \"b c", {L"a", L"b c"}},
        SplitCase{"LoneQuoteAtEnd", L"a\"", {L"a"}},
        SplitCase{"TextEndsAtNul", std::wstring(L"a b\0c d", 7), {L"a", L"b"}}),
    [](const testing::TestParamInfo<SplitCase>& info) { return std::string(info.param.name); });

struct ParseCase {
  const char* name;
  std::wstring text;
  bool skip_program_name;
  std::wstring program_name;
  std::vector<std::pair<std::wstring, std::wstring>> options;  // in map order
  Tokens arguments;
};

// Names the case in test output instead of dumping its bytes.
void PrintTo(const ParseCase& c, std::ostream* os) { *os << c.name; }

class CommandLineParseTest : public testing::TestWithParam<ParseCase> {};

TEST_P(CommandLineParseTest, Parses) {
  const ParseCase& c = GetParam();
  CommandLine line;
  line.Parse(c.text, c.skip_program_name);
  EXPECT_EQ(line.ProgramName(), c.program_name);
  std::vector<std::pair<std::wstring, std::wstring>> options(line.Options().begin(),
                                                             line.Options().end());
  EXPECT_EQ(options, c.options);
  EXPECT_EQ(line.Arguments(), c.arguments);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CommandLineParseTest,
    testing::Values(
        ParseCase{"ProgramNameAndOption", L"prog.exe /Silent", true, L"prog.exe",
                  {{L"Silent", L""}}, {}},
        ParseCase{"NameNotSkipped", L"prog.exe /silent", false, L"", {{L"silent", L""}},
                  {L"prog.exe"}},
        ParseCase{"QuotedProgramName", L"\"C:\\Program Files\\p.exe\" x", true,
                  L"C:\\Program Files\\p.exe", {}, {L"x"}},
        ParseCase{"RepeatedKeyKeepsFirstSpellingAndLastValue", L"/debug:1 /DEBUG:2", false, L"",
                  {{L"debug", L"2"}}, {}},
        ParseCase{"ValueKeepsFurtherColons", L"/key:a:b", false, L"", {{L"key", L"a:b"}}, {}},
        ParseCase{"EmptyKeyWithValue", L"/:x", false, L"", {{L"", L"x"}}, {}},
        ParseCase{"LoneSlash", L"/", false, L"", {{L"", L""}}, {}},
        ParseCase{"EmptyValueAfterColon", L"/k:", false, L"", {{L"k", L""}}, {}},
        ParseCase{"QuotedPathValue", L"/vps_upd:\"C:\\Temp Dir\\x\" next", false, L"",
                  {{L"vps_upd", L"C:\\Temp Dir\\x"}}, {L"next"}},
        ParseCase{"DelimitersAroundWords", L" \t one \t two\t ", false, L"", {},
                  {L"one", L"two"}},
        ParseCase{"HyphenAndEqualsAreArguments", L"-silent a=b", false, L"", {},
                  {L"-silent", L"a=b"}},
        ParseCase{"OptionsOrderedWithoutCase", L"/b /A /c", false, L"",
                  {{L"A", L""}, {L"b", L""}, {L"c", L""}}, {}},
        ParseCase{"AccentedKeysDiffer", L"/\u00C9t\u00E9 /\u00E9t\u00E9", false, L"",
                  {{L"\u00C9t\u00E9", L""}, {L"\u00E9t\u00E9", L""}}, {}}),
    [](const testing::TestParamInfo<ParseCase>& info) { return std::string(info.param.name); });

TEST(CommandLineTest, HasOptionIgnoresCaseAndValue) {
  CommandLine line(L"prog.exe /Silent /level:");
  for (const wchar_t* key : {L"silent", L"SILENT", L"Silent", L"LEVEL"}) {
    EXPECT_TRUE(line.HasOption(key)) << key;
  }
  EXPECT_FALSE(line.HasOption(L"debug"));
  EXPECT_FALSE(line.HasOption(L"silen"));
}

TEST(CommandLineTest, ParseReplacesEarlierContents) {
  CommandLine line(L"first.exe /one a");
  line.Parse(L"/two", false);
  EXPECT_EQ(line.ProgramName(), L"");
  EXPECT_FALSE(line.HasOption(L"one"));
  EXPECT_TRUE(line.HasOption(L"two"));
  EXPECT_TRUE(line.Arguments().empty());
}

}  // namespace
}  // namespace krv::stub
