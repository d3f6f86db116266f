// RunInstaller under Wine with the updater stand-in pkgrun.exe: the command
// line it receives, its exit code, the wait for its window, and the refusals.
#include "handoff/installer_launch.h"

#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <chrono>
#include <optional>
#include <sstream>

#include "log/utf8_text.h"
#include "progress/progress_animator.h"
#include "log/write_log.h"
#include "runtime/child_process_win32.h"
#include "tests/handoff/recording_log.h"
#include "tests/runtime/failing_child_process_calls_win32.h"
#include "tests/handoff/scratch.h"

namespace krv::handoff {
namespace {

using krv::testing::FailedResume;
using krv::testing::FailedWaitAfterTheEnd;
using testing::ReadTextFile;
using testing::ScratchFolder;
using testing::WriteTextFile;
using Clock = std::chrono::steady_clock;

// The value of the first "key: value" line of the stand-in's record.
std::optional<std::string> RecordValue(const std::string& record, const std::string& key) {
  std::istringstream lines(record);
  for (std::string line; std::getline(lines, line);)
    if (line.rfind(key + ": ", 0) == 0) return line.substr(key.size() + 2);
  return std::nullopt;
}

std::string Utf8(const std::wstring& text) { return log::utf8_from_wide(text.c_str()); }

class LaunchTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(CreateDirectoryW(setup_.c_str(), nullptr));
    ASSERT_TRUE(CopyFileW(testing::WindowsPathOfHost(KRV_PKGRUN_EXE).c_str(), exe_.c_str(), FALSE));
    ASSERT_TRUE(CreateDirectoryW(workspace_.c_str(), nullptr));
    ASSERT_TRUE(WriteTextFile(workspace_ + L"\\update.vpx", "workspace file"));
  }

  void Behave(const std::string& behaviour) {
    ASSERT_TRUE(WriteTextFile(setup_ + L"\\pkgrun-behaviour.txt", behaviour));
  }
  std::optional<std::string> Record() const { return ReadTextFile(setup_ + L"\\pkgrun-record.txt"); }

  ScratchFolder scratch_;
  testing::RecordingLog log_;
  const std::wstring setup_ = scratch_ / L"Setup";
  const std::wstring exe_ = setup_ + L"\\pkgrun.exe";
  const std::wstring workspace_ = scratch_ / L"_ov_pkr.tm~a01234";
  const std::wstring arguments_ = L"/is_kestil_product /vps_upd:\"" + workspace_ + L"\"";
};

TEST_F(LaunchTest, UpdaterGetsQuotedPathAndArgumentsInItsFolderAndItsExitCodeComesBack) {
  // A real progress window: RunInstaller must close it once the updater ends.
  progress::ProgressAnimator animator(L"title");
  animator.StartWindowThread();
  ASSERT_TRUE(animator.HasWindowThread());
  struct Case {
    uint32_t exit_code;
    progress::ProgressAnimator* animator;
  } cases[] = {{0, nullptr}, {3, nullptr}, {0x80000000u, nullptr}, {0xFFFFFFFFu, nullptr}, {0x80000000u, &animator}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << std::hex << "exit code 0x" << c.exit_code << (c.animator ? ", animator" : ""));
    Behave("exit_code=" + std::to_string(c.exit_code) + "\n");
    DeleteFileW((setup_ + L"\\pkgrun-record.txt").c_str());
    uint32_t exit_code = 12345;
    EXPECT_EQ(RunInstaller(exe_, arguments_, &exit_code, c.animator), 0u);
    EXPECT_EQ(exit_code, c.exit_code);
    if (c.animator) {
      EXPECT_FALSE(c.animator->HasWindowThread());
    }
    const std::optional<std::string> record = Record();
    ASSERT_TRUE(record.has_value());
    EXPECT_EQ(RecordValue(*record, "command_line"), Utf8(L"\"" + exe_ + L"\" " + arguments_));
    EXPECT_EQ(RecordValue(*record, "current_folder"), Utf8(setup_));
    EXPECT_THAT(RecordValue(*record, "file").value_or(""),
                ::testing::StartsWith("update.vpx\t14\t5add93e72ee5b59d7ba48dbaa1b881ac509a642148a139c60d0a3a904243ea38\t"));
  }
  EXPECT_THAT(log_.Lines(), ::testing::IsEmpty());
}

// The old fixed buffer held 1,023 characters; longer command lines reach the
// updater whole, up to the system's limit, and beyond it nothing starts.
TEST_F(LaunchTest, LongCommandLineReachesTheUpdaterWholeUpToTheSystemLimit) {
  const std::wstring head = L"\"" + exe_ + L"\" " + arguments_ + L" /tail:";
  for (size_t length : {size_t{1024}, size_t{5000}, kMaxProcessCommandLine}) {
    SCOPED_TRACE(length);
    const std::wstring arguments = arguments_ + L" /tail:" + std::wstring(length - head.size(), L'x');
    DeleteFileW((setup_ + L"\\pkgrun-record.txt").c_str());
    uint32_t exit_code = 1;
    ASSERT_EQ(RunInstaller(exe_, arguments, &exit_code, nullptr), 0u);
    const std::optional<std::string> record = Record();
    ASSERT_TRUE(record.has_value());
    const std::string expected = Utf8(L"\"" + exe_ + L"\" " + arguments);
    EXPECT_EQ(expected.size(), length);
    EXPECT_EQ(RecordValue(*record, "command_line"), expected);
  }
}

TEST_F(LaunchTest, RefusalsGiveASystemCodeAndExitCodeZero) {
  const std::wstring missing = setup_ + L"\\missing.exe";
  const std::wstring head = L"\"" + exe_ + L"\" ";
  const std::wstring one_too_long = std::wstring(kMaxProcessCommandLine + 1 - head.size(), L'x');
  struct Case {
    const char* what;
    std::wstring exe, arguments;
    uint32_t code;
  } cases[] = {
      {"missing executable", missing, arguments_, ERROR_FILE_NOT_FOUND},
      {"command line one character over the limit", exe_, one_too_long, ERROR_FILENAME_EXCED_RANGE},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    testing::RecordingLog recorded;
    uint32_t exit_code = 12345;
    EXPECT_EQ(RunInstaller(c.exe, c.arguments, &exit_code, nullptr), c.code);
    EXPECT_EQ(exit_code, 0u);
    EXPECT_FALSE(Record().has_value()) << "the updater ran";
    wchar_t code[16];
    std::swprintf(code, 16, L"0x%x", c.code);
    ASSERT_EQ(recorded.Lines().size(), 1u);
    EXPECT_EQ(recorded.Lines()[0].level, log::kError);
    EXPECT_EQ(recorded.Lines()[0].category, "sfxsh");
    EXPECT_EQ(recorded.Lines()[0].text, L"Error creating process '" + c.exe + L"' (code " + code + L")");
  }
}

// Failures of the system calls after the start: a thread that cannot be
// resumed must not leave a suspended process waited for for ever, and a
// failed wait must not pass STILL_ACTIVE (259) on as the exit code.
TEST_F(LaunchTest, FailedResumeOrWaitEndsTheRunWithItsError) {
  struct Case {
    const char* what;
    os::ScopedChildProcessCalls::ResumeCall resume;
    os::ScopedChildProcessCalls::WaitCall wait;
    uint32_t code;
    bool ran;
    const wchar_t* line;
  } cases[] = {
      {"resume fails", FailedResume, WaitForSingleObject, ERROR_ACCESS_DENIED, false, L"Cannot resume process '"},
      {"wait fails", ResumeThread, FailedWaitAfterTheEnd, ERROR_INVALID_HANDLE, true, L"Cannot wait for process '"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DeleteFileW((setup_ + L"\\pkgrun-record.txt").c_str());
    testing::RecordingLog recorded;
    uint32_t exit_code = 12345;
    {
      os::ScopedChildProcessCalls failing(c.resume, c.wait);
      EXPECT_EQ(RunInstaller(exe_, arguments_, &exit_code, nullptr), c.code);
    }
    EXPECT_EQ(exit_code, 0u);
    EXPECT_EQ(Record().has_value(), c.ran) << "a process that was not resumed is terminated unrun";
    wchar_t code[16];
    std::swprintf(code, 16, L"0x%x", c.code);
    ASSERT_EQ(recorded.Lines().size(), 1u);
    EXPECT_EQ(recorded.Lines()[0].level, log::kError);
    EXPECT_EQ(recorded.Lines()[0].text, c.line + exe_ + L"' (code " + code + L")");
  }
}

// The progress window closes when the updater signals that its window shows,
// or when the updater ends without signalling; then RunInstaller waits for
// the end. One test, so no other test's stand-in signals the system-wide
// event meanwhile.
TEST_F(LaunchTest, ProgressWindowClosesWhenTheUpdaterSignalsOrEnds) {
  using std::chrono::milliseconds;
  using Ms = std::chrono::duration<double, std::milli>;
  struct Case {
    const char* what;
    std::string behaviour;
    bool signals;
    milliseconds runs_at_least;  // the stand-in's own waits
  } cases[] = {
      {"signals its window, then runs on", "show_window=yes\nsignal=yes\ndelay_ms=1000\nlinger_ms=3000\n", true,
       milliseconds(4000)},
      {"ends without signalling", "delay_ms=800\n", false, milliseconds(800)},
      {"shows a window but never signals", "show_window=yes\ndelay_ms=200\nlinger_ms=1500\n", false,
       milliseconds(1700)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    Behave(c.behaviour);
    int closes = 0;
    Ms closed_at{};
    const Clock::time_point start = Clock::now();
    uint32_t exit_code = 1;
    EXPECT_EQ(RunInstallerWithWindowCloser(exe_, arguments_, &exit_code,
                                           [&] {
                                             ++closes;
                                             closed_at = Clock::now() - start;
                                           }),
              0u);
    const Ms ended_at = Clock::now() - start;
    EXPECT_EQ(exit_code, 0u);
    ASSERT_EQ(closes, 1);
    EXPECT_GE(ended_at, c.runs_at_least);
    if (c.signals) {
      // Closed on the signal (not before it), while the updater still had
      // most of its 3 s to run.
      EXPECT_GE(closed_at, milliseconds(1000));
      EXPECT_GT(ended_at - closed_at, milliseconds(2000)) << closed_at.count() << " " << ended_at.count();
    } else {
      // Closed only once the updater ended, and at once.
      EXPECT_GE(closed_at, c.runs_at_least);
      EXPECT_LT(ended_at - closed_at, milliseconds(500)) << closed_at.count() << " " << ended_at.count();
    }
  }
}

}  // namespace
}  // namespace krv::handoff
