#include "log/log_format.h"

#include <gtest/gtest.h>

#include <climits>
#include <cwchar>
#include <string>

#include "log/utf8_text.h"

namespace krv::log {
namespace {

std::string narrow(const char* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = format_message(format, args);
  va_end(args);
  return text;
}

std::string wide(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  std::string text = format_message(format, args);
  va_end(args);
  return text;
}

// "Grüße €𝄞" (the last one outside the basic plane: a surrogate pair in UTF-16).
const wchar_t kWideText[] = L"Gr\u00fc\u00dfe \u20ac\U0001D11E";
const char kUtf8Text[] = "Gr\xc3\xbc\xc3\x9f" "e \xe2\x82\xac\xf0\x9d\x84\x9e";

TEST(LogFormat, WideArgumentsOfNarrowFormatsArriveAsUtf8) {
  EXPECT_EQ(narrow("<%ls>", kWideText), std::string("<") + kUtf8Text + ">");
  EXPECT_EQ(narrow("<%ws>", kWideText), std::string("<") + kUtf8Text + ">");
  EXPECT_EQ(narrow("<%S>", kWideText), std::string("<") + kUtf8Text + ">");
  EXPECT_EQ(narrow("%lc%wc%C", static_cast<wint_t>(L'\u00e9'), static_cast<wint_t>(L'\u20ac'), static_cast<wint_t>(L'x')),
            "\xc3\xa9\xe2\x82\xac" "x");
  // Lengths in bytes: three characters of the six.
  CountedWideString counted{3 * sizeof(wchar_t), 6 * sizeof(wchar_t), L"abcdef"};
  EXPECT_EQ(narrow("[%wZ]", &counted), "[abc]");
  CountedNarrowString counted_narrow{2, 4, "xyz"};
  EXPECT_EQ(narrow("[%Z|%hZ]", &counted_narrow, &counted_narrow), "[xy|xy]");
}

TEST(LogFormat, ArgumentPositionsSurviveMixedDirectives) {
  long long big = 0x123456789LL;
  EXPECT_EQ(narrow("%d %ls %s %I64d %5.2f %c %hs %lu %zu %I32u %Ix", -7, L"w\u00e9", "n", big, 3.14159, 'q', "h",
                   static_cast<unsigned long>(42), static_cast<size_t>(9), 5u, static_cast<uintptr_t>(255)),
            "-7 w\xc3\xa9 n 4886718345  3.14 q h 42 9 5 ff");
  EXPECT_EQ(narrow("%hhd %hd %hhu %hu", 0x1ff, 0x18000, 0x1ff, 0x18000), "-1 -32768 255 32768");
  EXPECT_EQ(narrow("%#x %+d % d %05d %-4d| %o %X %jd %td", 255, 3, 4, 42, 7, 8, 0xab, static_cast<intmax_t>(-1),
                   static_cast<ptrdiff_t>(-2)),
            "0xff +3  4 00042 7   | 10 AB -1 -2");
  EXPECT_EQ(narrow("%Lf %e", 1.5L, 100.0), "1.500000 1.000000e+02");
  EXPECT_EQ(narrow("%% %d%%", 5), "% 5%");
}

TEST(LogFormat, StarWidthAndPrecisionAreTakenFromTheArguments) {
  EXPECT_EQ(narrow("[%*d]", 5, 42), "[   42]");
  EXPECT_EQ(narrow("[%*d]", -5, 42), "[42   ]");
  EXPECT_EQ(narrow("[%.*s]", 2, "abcdef"), "[ab]");
  EXPECT_EQ(narrow("[%.*s]", -1, "abc"), "[abc]");
  EXPECT_EQ(narrow("[%*.*ls]", 6, 3, L"abcdef"), "[   abc]");
}

TEST(LogFormat, WidthAndPrecisionCountBytesInNarrowFormatsAndNeverCutASequence) {
  // "é€" is 2 + 3 bytes.
  EXPECT_EQ(narrow("[%.4ls]", L"\u00e9\u20ac"), "[\xc3\xa9]");
  EXPECT_EQ(narrow("[%.5ls]", L"\u00e9\u20ac"), "[\xc3\xa9\xe2\x82\xac]");
  EXPECT_EQ(narrow("[%4ls]", L"\u00e9"), "[  \xc3\xa9]");
  EXPECT_EQ(narrow("[%-4lc]", static_cast<wint_t>(L'\u00e9')), "[\xc3\xa9  ]");
}

TEST(LogFormat, WideFormatsCountCharacters) {
  EXPECT_EQ(wide(L"%ls|%s|%d", kWideText, "n\xc3\xa9", 5), std::string(kUtf8Text) + "|n\xc3\xa9|5");
  EXPECT_EQ(wide(L"[%-4ls]", L"\u00e9"), "[\xc3\xa9   ]");
  EXPECT_EQ(wide(L"[%.2ls]", L"\U0001D11E\u00e9x"), "[\xf0\x9d\x84\x9e\xc3\xa9]");
  EXPECT_EQ(wide(L"[%.2s]", "\xc3\xa9\xe2\x82\xacx"), "[\xc3\xa9\xe2\x82\xac]");
  EXPECT_EQ(wide(L"\u00e9 %c %lc", 'a', static_cast<wint_t>(L'\u00fc')), "\xc3\xa9 a \xc3\xbc");
}

TEST(LogFormat, PrecisionBoundsTheReadOfUnterminatedArguments) {
  // No terminating zero: reading past the precision would leave the arrays.
  const char narrow_text[3] = {'a', 'b', 'c'};
  const wchar_t wide_text[3] = {L'x', L'y', L'z'};
  EXPECT_EQ(narrow("%.3s %.3ls", narrow_text, wide_text), "abc xyz");
  EXPECT_EQ(wide(L"%.3s %.3ls", narrow_text, wide_text), "abc xyz");
}

TEST(LogFormat, NullAndMalformedInput) {
  EXPECT_EQ(narrow("%ls|%s|%wZ", static_cast<const wchar_t*>(nullptr), static_cast<const char*>(nullptr),
                   static_cast<const CountedWideString*>(nullptr)),
            "(null)|(null)|(null)");
  EXPECT_EQ(narrow(nullptr), "");
  EXPECT_EQ(wide(nullptr), "");
  EXPECT_EQ(narrow("abc %y", 1), "");
  EXPECT_EQ(narrow("abc %"), "");
  EXPECT_EQ(narrow("%99999999999d", 1), "");
  int written = 5;
  EXPECT_EQ(narrow("a%nb", &written), "ab");
  EXPECT_EQ(written, 5);
}

TEST(Utf8Text, SurrogatesAndMalformedSequences) {
  const wchar_t lone[] = {L'a', static_cast<wchar_t>(0xD800), L'b', 0};
  EXPECT_EQ(utf8_from_wide(lone), "a\xef\xbf\xbd" "b");
  EXPECT_EQ(utf8_from_wide(nullptr), "");
  EXPECT_EQ(wide_from_utf8(kUtf8Text), kWideText);
  // A bad lead byte, a truncated sequence, an overlong form, an encoded surrogate.
  EXPECT_EQ(wide_from_utf8("\xff" "a\xe2\x82"), L"\ufffd" L"a\ufffd\ufffd");
  EXPECT_EQ(wide_from_utf8("\xc0\xaf"), L"\ufffd\ufffd");
  EXPECT_EQ(wide_from_utf8("\xed\xa0\x80"), L"\ufffd\ufffd\ufffd");
}

}  // namespace
}  // namespace krv::log
