#include "log/log_line.h"

#include <gtest/gtest.h>

#include <string>

namespace krv::log {
namespace {

// 2026-03-01 09:15:02.047 UTC.
constexpr uint64_t kMarchFirst = 134168301020470000ULL;

LogRecord make_record(int32_t level, const wchar_t* category, std::string message) {
  LogRecord record;
  record.level = level;
  record.category = make_category(category);
  record.message = std::move(message);
  record.time = kMarchFirst;
  record.process_id = 4120;
  record.thread_id = 4388;
  return record;
}

TEST(LogLine, HeaderIsSixtyFourCharactersBeforeTheMessage) {
  std::string line = format_line(make_record(kInfo, L"kaldor", "Entering"));
  EXPECT_EQ(line, "[2026-03-01 09:15:02.047] [info   ] [kaldor     ] [ 4120: 4388] Entering\n");
  EXPECT_EQ(line.find("Entering"), 64u);
}

TEST(LogLine, LevelColumnIsSevenWideAndEmptyOutsideTheRange) {
  struct Case {
    int32_t level;
    const char* column;
  };
  const Case cases[] = {
      {0, "[debug  ]"}, {1, "[info   ]"}, {2, "[notice ]"}, {3, "[warning]"},
      {4, "[error  ]"}, {5, "[fatal  ]"}, {6, "[       ]"}, {-1, "[       ]"},
  };
  for (const Case& c : cases) {
    std::string line = format_line(make_record(c.level, L"sfxarc", "x"));
    EXPECT_EQ(line.substr(26, 9), c.column) << c.level;
    EXPECT_EQ(line.find(" x\n"), 63u) << c.level;
  }
}

TEST(LogLine, CategoryIsCutToElevenCharacters) {
  std::string line = format_line(make_record(kInfo, L"branding-and-more", "x"));
  EXPECT_EQ(line.substr(36, 13), "[branding-an]");
  // A cut never splits a UTF-8 sequence: "abcdefghij" + "é" would need 12 bytes.
  EXPECT_STREQ(make_category(L"abcdefghij\u00e9").name, "abcdefghij");
  EXPECT_STREQ(make_category(L"abcdefghi\u00e9").name, "abcdefghi\xc3\xa9");
}

TEST(LogLine, ContinuationLinesAreIndentedByTheHeaderWidth) {
  std::string line = format_line(make_record(kError, L"kaldor", "a\nb"));
  EXPECT_EQ(line, "[2026-03-01 09:15:02.047] [error  ] [kaldor     ] [ 4120: 4388] a\n" + std::string(64, ' ') + "b\n");
  EXPECT_EQ(to_crlf(line), line.substr(0, 65) + "\r\n" + std::string(64, ' ') + "b\r\n");

  // Ids wider than five digits widen the header, and the indent follows it.
  LogRecord wide = make_record(kInfo, L"kaldor", "a\nb");
  wide.process_id = 123456;
  std::string wide_line = format_line(wide);
  EXPECT_EQ(wide_line.find("a\n"), 65u);
  EXPECT_EQ(wide_line.substr(67), std::string(65, ' ') + "b\n");
}

TEST(LogLine, CarriageReturnLineFeedBecomesLineFeed) {
  std::string text = "a\r\nb\rc\n\r\r\n";
  normalize_line_ends(text);
  EXPECT_EQ(text, "a\nb\rc\n\r\n");
}

TEST(LogLine, TimeConversionMatchesTheSystemCalendar) {
  struct Case {
    uint64_t file_time;
    const char* text;
  };
  const Case cases[] = {
      {0, "1601-01-01 00:00:00.000"},
      {kMarchFirst, "2026-03-01 09:15:02.047"},
      {133537247999990000ULL, "2024-02-29 23:59:59.999"},
      {133537248000000000ULL, "2024-03-01 00:00:00.000"},
      {116444736000000000ULL, "1970-01-01 00:00:00.000"},
      {0x7FFFFFFFFFFFFFFFULL, "30828-09-14 02:48:05.477"},
      {0x8000000000000000ULL, ""},
  };
  for (const Case& c : cases) EXPECT_EQ(format_log_time(c.file_time), c.text) << c.file_time;
}

TEST(LogLine, UnconvertibleTimeGivesAnEmptyLine) {
  LogRecord record = make_record(kInfo, L"kaldor", "x");
  record.time = 0xFFFFFFFFFFFFFFFFULL;
  EXPECT_EQ(format_line(record), "");
}

}  // namespace
}  // namespace krv::log
