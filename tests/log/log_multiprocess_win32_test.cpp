// Several processes with several threads each writing one log file at once:
// no torn line, no lost line, one byte order mark, with and without rotation.

#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "log_test_support.h"
#include "runtime/scoped_handle.h"

namespace krv::log {
namespace {

using test::log_lines;
using test::parse_line;
using test::ParsedLine;
using test::read_file;

std::wstring child_path() {
  wchar_t own[MAX_PATH];
  DWORD length = GetModuleFileNameW(nullptr, own, MAX_PATH);
  std::wstring path(own, length);
  return path.substr(0, path.find_last_of(L'\\') + 1) + L"log_writer_child.exe";
}

struct WriterRun {
  int processes;
  int threads;
  int lines;
  long long max_size;
};

// Starts the children, releases them together with one event and waits for
// all of them. Returns false (with a test failure) when one did not succeed.
bool run_children(const std::wstring& log_path, const WriterRun& run) {
  static int serial = 0;
  wchar_t event_name[64];
  std::swprintf(event_name, 64, L"krv_log_test_start_%lu_%d", GetCurrentProcessId(), serial++);
  os::scoped_handle start(CreateEventW(nullptr, TRUE, FALSE, event_name));
  EXPECT_TRUE(start.valid());

  std::vector<os::scoped_handle> children;
  for (int p = 0; p < run.processes; ++p) {
    std::wstring command = L"\"" + child_path() + L"\" \"" + log_path + L"\" " + std::to_wstring(run.threads) + L" " +
                           std::to_wstring(run.lines) + L" " + std::to_wstring(run.max_size) + L" " + event_name;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process)) {
      ADD_FAILURE() << "CreateProcessW failed: " << GetLastError();
      return false;
    }
    CloseHandle(process.hThread);
    children.emplace_back(process.hProcess);
  }
  SetEvent(start.get());
  bool all_ok = true;
  for (auto& child : children) {
    EXPECT_EQ(WaitForSingleObject(child.get(), 120000), WAIT_OBJECT_0);
    DWORD code = 1;
    GetExitCodeProcess(child.get(), &code);
    EXPECT_EQ(code, 0u);
    all_ok = all_ok && code == 0;
  }
  return all_ok;
}

// Checks that `texts` (the generations of the log, oldest first) hold every
// line of the run exactly once, each in the line format, and each thread's
// lines in the order it wrote them; and that each text is one byte order
// mark followed by lines.
void expect_every_line_once(const std::vector<std::string>& texts, const WriterRun& run) {
  std::map<std::pair<unsigned long, int>, int> next;  // (process, thread) -> next line number
  size_t total = 0;
  for (const std::string& text : texts) {
    ASSERT_EQ(text.compare(0, 3, "\xEF\xBB\xBF"), 0);
    EXPECT_EQ(text.find("\xEF\xBB\xBF", 3), std::string::npos) << "a second byte order mark";
    ASSERT_EQ(text.compare(text.size() - 2, 2, "\r\n"), 0);
    for (const std::string& line : log_lines(text)) {
      ParsedLine parsed;
      ASSERT_TRUE(parse_line(line, parsed)) << line;
      unsigned long process = 0;
      int thread = -1, number = -1;
      char rest[64] = {};
      ASSERT_EQ(std::sscanf(parsed.message.c_str(), "p%lu t%d n%d %63[^\n]", &process, &thread, &number, rest), 4)
          << line;
      EXPECT_EQ(process, parsed.process_id);
      EXPECT_STREQ(rest, "padding to about one hundred bytes");
      int& expected = next[{process, thread}];
      ASSERT_EQ(number, expected) << "process " << process << " thread " << thread;
      ++expected;
      ++total;
    }
  }
  EXPECT_EQ(next.size(), static_cast<size_t>(run.processes * run.threads));
  for (const auto& entry : next) EXPECT_EQ(entry.second, run.lines);
  EXPECT_EQ(total, static_cast<size_t>(run.processes) * run.threads * run.lines);
}

size_t files_in(const test::ScratchFolder& folder) {
  size_t count = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
    (void)entry;
    ++count;
  }
  return count;
}

TEST(LogMultiProcess, FourProcessesOfEightThreadsLoseNoLine) {
  test::ScratchFolder folder;
  const std::wstring path = folder.file("Update.log");
  const WriterRun run{4, 8, 5000, 1LL << 40};
  ASSERT_TRUE(run_children(path, run));
  expect_every_line_once({read_file(path)}, run);
  EXPECT_EQ(files_in(folder), 1u);
}

// About 16 MB of lines against a 10 MB limit: the file rotates once, while
// all four processes write and each of them finds the limit passed.
TEST(LogMultiProcess, FourProcessesOfEightThreadsLoseNoLineAcrossARotation) {
  test::ScratchFolder folder;
  const std::wstring path = folder.file("Update.log");
  const WriterRun run{4, 8, 5000, 10LL << 20};
  ASSERT_TRUE(run_children(path, run));
  const std::string old_text = read_file(path + L".old");
  const std::string text = read_file(path);
  EXPECT_GT(old_text.size(), static_cast<size_t>(run.max_size));
  EXPECT_LT(text.size(), static_cast<size_t>(run.max_size));
  expect_every_line_once({old_text, text}, run);
  EXPECT_EQ(files_in(folder), 2u);  // no temporary file left behind
}

TEST(LogMultiProcess, ProcessesCreatingTheMissingFileTogetherMakeOneMark) {
  for (int round = 0; round < 5; ++round) {
    test::ScratchFolder folder;
    const std::wstring path = folder.file("Update.log");
    const WriterRun run{8, 1, 20, 1LL << 40};
    ASSERT_TRUE(run_children(path, run));
    expect_every_line_once({read_file(path)}, run);
    EXPECT_EQ(files_in(folder), 1u);
  }
}

}  // namespace
}  // namespace krv::log
