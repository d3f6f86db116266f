#include "log/logger.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <mutex>
#include <stdexcept>
#include <thread>
#include <vector>

#include "log/log_line.h"
#include "log/log_system.h"
#include "log/private_logger.h"
#include "log/write_log.h"
#include "log_test_support.h"
#include "runtime/exceptions.h"
#include "runtime/random_source.h"

namespace krv::log {
namespace {

using test::log_lines;
using test::parse_line;
using test::ParsedLine;
using test::read_file;

const LogCategory kKaldor = make_category(L"kaldor");
const char kMark[] = "\xEF\xBB\xBF";

// A clock that starts at 2026-03-01 09:15:02.047 UTC and advances one
// millisecond per reading, so every record has its own time.
std::atomic<uint64_t> g_ticks{0};
uint64_t stepping_clock() { return 134168301020470000ULL + 10000ULL * g_ticks++; }

std::mutex g_debug_lock;
std::vector<std::string> g_debug_lines;
void capture_debug_output(const std::string& line) {
  std::lock_guard<std::mutex> lock(g_debug_lock);
  g_debug_lines.push_back(line);
}

class LoggerTest : public ::testing::Test {
 protected:
  LoggerTest() : clock_(&stepping_clock), debug_output_(&capture_debug_output) {
    g_ticks = 0;
    std::lock_guard<std::mutex> lock(g_debug_lock);
    g_debug_lines.clear();
  }

  static void log(ILogger& logger, int32_t level, const char* format, ...) {
    va_list args;
    va_start(args, format);
    logger.log(level, kKaldor, format, args);
    va_end(args);
  }

  static void log_w(ILogger& logger, int32_t level, const wchar_t* format, ...) {
    va_list args;
    va_start(args, format);
    logger.log_w(level, kKaldor, format, args);
    va_end(args);
  }

  std::vector<std::string> debug_lines() {
    std::lock_guard<std::mutex> lock(g_debug_lock);
    return g_debug_lines;
  }

  std::vector<ParsedLine> parsed_file(const std::wstring& path) {
    std::vector<ParsedLine> parsed;
    for (const std::string& line : log_lines(read_file(path))) {
      ParsedLine p;
      EXPECT_TRUE(parse_line(line, p)) << line;
      parsed.push_back(p);
    }
    return parsed;
  }

  test::ScratchFolder folder_;
  std::wstring path_ = folder_.file("Update.log");
  ScopedLogClock clock_;
  ScopedDebugOutput debug_output_;
};

// "[  pid:  tid] " of the calling thread: five columns each, wider for
// longer ids (Linux thread ids often have more digits).
std::string ids_column() {
  char text[40];
  std::snprintf(text, sizeof text, "[%5lu:%5lu] ", static_cast<unsigned long>(log_process_id()),
                static_cast<unsigned long>(log_thread_id()));
  return text;
}

int32_t error_code_of(const std::function<void()>& call) {
  try {
    call();
  } catch (const exceptions::error& e) {
    return e.code();
  }
  return 0;
}

TEST_F(LoggerTest, RecordBelowEveryThresholdIsNotEvenCreated) {
  auto logger = Logger::create();
  log(*logger, kDebug, "%s", "nothing");
  log_w(*logger, kDebug, L"%ls", L"nothing");
  EXPECT_EQ(g_ticks.load(), 0u);  // the clock was never read
  std::FILE* stream = std::tmpfile();
  logger->set_stream(stream, kDebug);
  log(*logger, kDebug, "now");
  EXPECT_EQ(g_ticks.load(), 1u);
  logger->set_stream(nullptr, kDebug);
  std::fclose(stream);
}

TEST_F(LoggerTest, FileGetsCrLfLinesAndTheImmediateSinksLf) {
  auto logger = Logger::create();
  std::FILE* stream = std::tmpfile();
  logger->set_stream(stream, kInfo);
  logger->open_file(path_.c_str(), 0x400000, kDebug);
  log(*logger, kError, "a\r\nb");

  const std::string header = "[2026-03-01 09:15:02.047] [error  ] [kaldor     ] " + ids_column();
  std::string indent(header.size(), ' ');
  EXPECT_EQ(read_file(path_), kMark + header + "a\r\n" + indent + "b\r\n");
  ASSERT_EQ(debug_lines().size(), 1u);
  EXPECT_EQ(debug_lines()[0], header + "a\n" + indent + "b\n");

  std::rewind(stream);
  char text[256] = {};
  size_t got = std::fread(text, 1, sizeof text - 1, stream);
  EXPECT_EQ(std::string(text, got), header + "a\n" + indent + "b\n");
  logger->set_stream(nullptr, kInfo);
  std::fclose(stream);
}

TEST_F(LoggerTest, WideArgumentsReachTheFileAsUtf8) {
  auto logger = Logger::create();
  logger->open_file(path_.c_str(), 0x400000, kDebug);
  log(*logger, kInfo, "narrow %ls|%S|%ws", L"\u00e9", L"\u20ac", L"\U0001D11E");
  log_w(*logger, kInfo, L"wide %ls %d", L"Gr\u00fc\u00dfe", 7);
  auto lines = parsed_file(path_);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].message, "narrow \xc3\xa9|\xe2\x82\xac|\xf0\x9d\x84\x9e");
  EXPECT_EQ(lines[1].message, "wide Gr\xc3\xbc\xc3\x9f" "e 7");
}

// Records logged before the file opens wait in the queue, the newest 1024 of
// them, and reach the file with the next record, with the time and thread of
// the moment they were logged.
TEST_F(LoggerTest, RecordsLoggedBeforeTheFileOpensReachItInOrder) {
  auto logger = Logger::create();
  uint32_t early_thread = 0;
  std::thread early([&] {
    early_thread = log_thread_id();
    for (int i = 0; i < 1100; ++i) log(*logger, kInfo, "early %d", i);
  });
  early.join();
  logger->open_file(path_.c_str(), 0x400000, kDebug);
  EXPECT_EQ(read_file(path_), kMark);  // open_file itself writes nothing
  log(*logger, kInfo, "first after open");

  auto lines = parsed_file(path_);
  ASSERT_EQ(lines.size(), 1025u);
  for (int i = 0; i < 1024; ++i) {
    const int n = 76 + i;
    EXPECT_EQ(lines[i].message, "early " + std::to_string(n));
    EXPECT_EQ(lines[i].time, format_log_time(134168301020470000ULL + 10000ULL * n));
    EXPECT_EQ(lines[i].thread_id, early_thread);
    EXPECT_EQ(lines[i].process_id, log_process_id());
  }
  EXPECT_EQ(lines[1024].message, "first after open");
  EXPECT_EQ(lines[1024].thread_id, log_thread_id());
}

TEST_F(LoggerTest, ANewFileBeginsWithTheByteOrderMark) {
  auto logger = Logger::create();
  logger->open_file(path_.c_str(), 0x400000, kDebug);
  log(*logger, kInfo, "x");
  std::string text = read_file(path_);
  ASSERT_GE(text.size(), 4u);
  EXPECT_EQ(text.substr(0, 4), std::string(kMark) + "[");
  EXPECT_FALSE(test::file_exists(path_ + L".old"));
}

TEST_F(LoggerTest, AFileWithoutTheMarkMovesToOld) {
  const std::string contents[] = {"", "plain text\r\n", "\xEF\xBB", "\xEF\xBB\xBE rest"};
  for (const std::string& content : contents) {
    test::write_file(path_, content);
    test::write_file(path_ + L".old", "older generation");
    auto logger = Logger::create();
    logger->open_file(path_.c_str(), 0x400000, kDebug);
    log(*logger, kInfo, "fresh");
    logger.reset();
    EXPECT_EQ(read_file(path_ + L".old"), content);
    auto lines = log_lines(read_file(path_));
    EXPECT_EQ(read_file(path_).substr(0, 3), kMark);
    ASSERT_EQ(lines.size(), 1u);
  }
}

// Another process creates the log file after this one found it missing and
// before its temporary file is renamed into place: the rename fails, the
// temporary file goes, and the file the other process made is used (not the
// handle of the deleted temporary file, whose lines would be lost).
std::wstring g_race_path;
std::atomic<bool> g_race_done{false};
uint64_t create_the_file_first() {
  if (!g_race_done.exchange(true)) test::write_file(g_race_path, std::string(kMark) + "other process\r\n");
  return 0x0123456789abcdefULL;
}

TEST_F(LoggerTest, LosingTheCreationRaceOpensTheWinnersFile) {
  g_race_path = path_;
  g_race_done = false;
  auto logger = Logger::create();
  {
    os::scoped_random_source random(&create_the_file_first);
    logger->open_file(path_.c_str(), 0x400000, kDebug);
  }
  ASSERT_TRUE(g_race_done.load());
  log(*logger, kInfo, "ours");
  std::string text = read_file(path_);
  EXPECT_EQ(text.substr(0, 18), std::string(kMark) + "other process\r\n");
  EXPECT_NE(text.find("ours\r\n"), std::string::npos);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(folder_.path()), std::filesystem::directory_iterator()), 1);
}

TEST_F(LoggerTest, AFileWithTheMarkIsAppendedTo) {
  test::write_file(path_, std::string(kMark) + "old line\r\n");
  auto logger = Logger::create();
  logger->open_file(path_.c_str(), 0x400000, kDebug);
  log(*logger, kInfo, "new line");
  std::string text = read_file(path_);
  EXPECT_EQ(text.substr(0, 13), std::string(kMark) + "old line\r\n");
  EXPECT_NE(text.find("new line\r\n"), std::string::npos);
  EXPECT_FALSE(test::file_exists(path_ + L".old"));
}

TEST_F(LoggerTest, RotatesOnlyAboveTheLimitAndKeepsOneOlderGeneration) {
  const std::string start = std::string(kMark) + std::string(97, 'x');  // 100 bytes
  test::write_file(path_, start);
  auto logger = Logger::create();
  logger->open_file(path_.c_str(), 100, kDebug);

  log(*logger, kInfo, "one");  // the file is exactly the limit: no rotation
  EXPECT_FALSE(test::file_exists(path_ + L".old"));
  std::string after_one = read_file(path_);
  EXPECT_EQ(after_one.substr(0, 100), start);

  log(*logger, kInfo, "two %s", std::string(100, 'y').c_str());  // now above it: rotated before this line
  EXPECT_EQ(read_file(path_ + L".old"), after_one);
  std::string after_two = read_file(path_);
  ASSERT_EQ(log_lines(after_two).size(), 1u);
  EXPECT_EQ(after_two.substr(0, 3), kMark);
  EXPECT_NE(after_two.find("] two yyy"), std::string::npos);

  log(*logger, kInfo, "three");  // the fresh file is above 100 bytes too
  EXPECT_EQ(read_file(path_ + L".old"), after_two);
  auto lines = log_lines(read_file(path_));
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_NE(lines[0].find("three"), std::string::npos);
  size_t generations = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder_.path())) {
    (void)entry;
    ++generations;
  }
  EXPECT_EQ(generations, 2u);  // Update.log and Update.log.old, no temporary left
}

TEST_F(LoggerTest, SettersRefuseValuesOutOfRange) {
  auto logger = Logger::create();
  struct Case {
    const char* what;
    std::function<void()> call;
    int32_t code;
  };
  const Case cases[] = {
      {"history -1", [&] { logger->set_history_level(-1); }, 87},
      {"history 7", [&] { logger->set_history_level(7); }, 87},
      {"debug 7", [&] { logger->set_debug_output_level(7); }, 87},
      {"file 6", [&] { logger->set_file_level(6); }, 87},
      {"flush 7", [&] { logger->set_flush_level(7); }, 87},
      {"stream 7", [&] { logger->set_stream(nullptr, 7); }, 87},
      {"open null", [&] { logger->open_file(nullptr, 1, 0); }, 87},
      {"open empty", [&] { logger->open_file(L"", 1, 0); }, 87},
      {"open negative", [&] { logger->open_file(path_.c_str(), -1, 0); }, 87},
      {"open level 6", [&] { logger->open_file(path_.c_str(), 1, 6); }, 87},
      {"history 6", [&] { logger->set_history_level(6); }, 0},
      {"debug 6", [&] { logger->set_debug_output_level(6); }, 0},
      {"file 5", [&] { logger->set_file_level(5); }, 0},
      {"stream 6", [&] { logger->set_stream(nullptr, 6); }, 0},
      {"query", [&] { logger->query(); }, 120},
  };
  for (const Case& c : cases) EXPECT_EQ(error_code_of(c.call), c.code) << c.what;
  EXPECT_EQ(logger->get_file_level(), kFatal);
  EXPECT_FALSE(test::file_exists(path_));
}

TEST_F(LoggerTest, DebugOutputThresholdAndLevelsAboveFatal) {
  auto logger = Logger::create();
  log(*logger, kWarning, "below the default error threshold");
  log(*logger, kError, "error");
  logger->set_debug_output_level(kOff);
  log(*logger, kFatal, "fatal, switched off");
  log(*logger, 6, "level six passes every threshold");
  auto lines = debug_lines();
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_NE(lines[0].find("[error  ]"), std::string::npos);
  EXPECT_NE(lines[1].find("[       ] [kaldor     ]"), std::string::npos);
}

TEST_F(LoggerTest, FileThresholdAndHistory) {
  auto logger = Logger::create();
  logger->open_file(path_.c_str(), 0x400000, kInfo);
  logger->set_history_level(kWarning);
  log(*logger, kDebug, "below the file threshold");
  log(*logger, kInfo, "file only");
  log(*logger, kError, "both \xc3\xa9");
  auto lines = parsed_file(path_);
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[0].message, "file only");
  EXPECT_EQ(lines[1].message, "both \xc3\xa9");

  auto history = logger->get_history();
  ASSERT_EQ(history.size(), 1u);
  EXPECT_EQ(history[0][0], L"2026-03-01 09:15:02.048");
  EXPECT_EQ(history[0][1], L"error");
  EXPECT_EQ(history[0][2], L"kaldor");
  EXPECT_EQ(history[0][3], std::to_wstring(log_process_id()));
  EXPECT_EQ(history[0][4], std::to_wstring(log_thread_id()));
  EXPECT_EQ(history[0][5], L"both \u00e9");
}

TEST_F(LoggerTest, AFileThatCannotBeOpenedLeavesTheLoggerAsItWas) {
  auto logger = Logger::create();
  logger->open_file(path_.c_str(), 0x400000, kDebug);
  const std::wstring missing_folder = folder_.file("missing") + L"/sub/Update.log";
  logger->open_file(missing_folder.c_str(), 10, kFatal);
  EXPECT_EQ(logger->get_file_level(), kDebug);
  log(*logger, kInfo, "still here");
  EXPECT_EQ(parsed_file(path_).size(), 1u);
}

TEST_F(LoggerTest, ThreadsWritingTogetherTearNoLine) {
  constexpr int kThreads = 8;
  constexpr int kLines = 2000;
  auto logger = Logger::create();
  logger->open_file(path_.c_str(), 0x4000000, kDebug);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < kLines; ++i) log(*logger, kInfo, "t%d n%d %s", t, i, "padding padding padding");
    });
  for (auto& thread : threads) thread.join();
  std::vector<int> next(kThreads, 0);
  auto lines = parsed_file(path_);
  ASSERT_EQ(lines.size(), size_t{kThreads} * kLines);
  for (const ParsedLine& line : lines) {
    int t = -1, n = -1;
    ASSERT_EQ(std::sscanf(line.message.c_str(), "t%d n%d", &t, &n), 2) << line.message;
    EXPECT_EQ(n, next[t]++);  // each thread's lines in its order
  }
}

TEST_F(LoggerTest, WriterDeliversEverythingBeforeTheLoggerGoes) {
  auto logger = Logger::create();
  logger->open_file(path_.c_str(), 0x4000000, kDebug);
  logger->start_writer();
  logger->start_writer();  // a second start does nothing
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < 200; ++i) log(*logger, kInfo, "t%d n%d", t, i);
    });
  for (auto& thread : threads) thread.join();
  // Fewer records than the queue holds: none is dropped, and what still
  // waits when the logger goes is drained first.
  logger.reset();
  std::vector<int> next(4, 0);
  auto lines = parsed_file(path_);
  ASSERT_EQ(lines.size(), 800u);
  for (const ParsedLine& line : lines) {
    int t = -1, n = -1;
    ASSERT_EQ(std::sscanf(line.message.c_str(), "t%d n%d", &t, &n), 2) << line.message;
    EXPECT_EQ(n, next[t]++);
  }
}

TEST_F(LoggerTest, LogStreamLogsItsTextOnce) {
  auto logger = Logger::create();
  logger->open_file(path_.c_str(), 0x400000, kDebug);
  {
    LogStream stream = logger->make_stream(kDebug, kKaldor);
    stream << "brand " << 42 << ' ' << L"\u00e9" << std::wstring(L" and 100%");
  }
  {
    // Every kind of value the stream takes, as a narrow stream prints it.
    LogStream stream = logger->make_stream(kDebug, kKaldor);
    stream << std::string("n") << -7 << '/' << uint64_t{18446744073709551615u} << '/' << int16_t{-3} << '/' << 1.5
           << '/' << 0.1 << '/' << uint8_t{65};
  }
  {
    LogStream stream = logger->make_stream(kError, kKaldor);
    stream << "failed";
    stream.attach(std::make_exception_ptr(exceptions::error(5, "Cannot open %s", "x")));
  }
  auto lines = parsed_file(path_);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].message, "brand 42 \xc3\xa9 and 100%");
  EXPECT_EQ(lines[1].message, "n-7/18446744073709551615/-3/1.5/0.1/A");
  const std::string indent(50 + ids_column().size(), ' ');
  EXPECT_EQ(lines[2].message, "failed\n" + indent + "Exception: Cannot open x\n" + indent + "Code: 0x00000005 (5)");
}

TEST_F(LoggerTest, PrivateLoggerScramblesTheMessageOnly) {
  os::scoped_random_source no_letters([]() -> uint64_t { return 0; });
  auto logger = PrivateLogger::create();
  logger->open_file(path_.c_str(), 0x400000, kDebug);
  log(*logger, kInfo, "secret %d", 7);
  log_exception_message(*logger, kError, kKaldor, std::runtime_error("boom"), "context");
  auto lines = parsed_file(path_);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].category, "kaldor");
  EXPECT_EQ(lines[0].level, "info");
  // An empty prefix (no letters) and its space before each message.
  EXPECT_EQ(test::unscramble(lines[0].message), " secret 7");
  EXPECT_EQ(lines[1].level, "error");
  EXPECT_EQ(test::unscramble(lines[1].message), " context");
  EXPECT_EQ(lines[2].level, "error");
  EXPECT_EQ(test::unscramble(lines[2].message), " Exception: boom");
}

}  // namespace
}  // namespace krv::log
