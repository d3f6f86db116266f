// The Windows pieces of the log file: rename by handle, NT paths beside a
// file, and the calendar conversion against the system's own.

#include <windows.h>

#include <gtest/gtest.h>

#include <thread>

#include "log/file_mutex_win32.h"
#include "log/file_rename_win32.h"
#include "log/logger.h"
#include "log/log_line.h"
#include "log_test_support.h"
#include "runtime/exceptions.h"
#include "runtime/scoped_handle.h"

namespace krv::log {
namespace {

os::scoped_handle open_for_rename(const std::wstring& path, DWORD disposition) {
  return os::scoped_handle(CreateFileW(path.c_str(), DELETE | FILE_READ_DATA | FILE_APPEND_DATA,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, disposition,
                                       FILE_ATTRIBUTE_NORMAL, nullptr));
}

int32_t rename_error(HANDLE handle, const std::wstring& name) {
  try {
    rename_by_handle(handle, name, false);
  } catch (const exceptions::error& e) {
    return e.code();
  }
  return 0;
}

TEST(RenameByHandle, RenamesTheOpenFileAndRefusesATakenName) {
  test::ScratchFolder folder;
  const std::wstring a = folder.file("a.log"), b = folder.file("b.log"), c = folder.file("c.log");
  os::scoped_handle file = open_for_rename(a, CREATE_NEW);
  ASSERT_TRUE(file.valid());
  ASSERT_TRUE(rename_by_handle(file.get(), nt_path_beside(a, L"b.log"), false));
  EXPECT_FALSE(test::file_exists(a));
  EXPECT_TRUE(test::file_exists(b));

  test::write_file(c, "taken");
  EXPECT_FALSE(rename_by_handle(file.get(), nt_path_beside(a, L"c.log"), false));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ALREADY_EXISTS));
  EXPECT_TRUE(rename_by_handle(file.get(), nt_path_beside(a, L"c.log"), true));
  EXPECT_FALSE(test::file_exists(b));
  EXPECT_EQ(test::read_file(c), "");

  // A file that is open elsewhere cannot be replaced.
  os::scoped_handle other = open_for_rename(a, CREATE_NEW);
  ASSERT_TRUE(other.valid());
  EXPECT_FALSE(rename_by_handle(other.get(), nt_path_beside(a, L"c.log"), true));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_ACCESS_DENIED));
}

TEST(RenameByHandle, RefusesMissingArgumentsAndLongNames) {
  test::ScratchFolder folder;
  os::scoped_handle file = open_for_rename(folder.file("a.log"), CREATE_NEW);
  ASSERT_TRUE(file.valid());
  EXPECT_EQ(rename_error(nullptr, L"\\??\\C:\\x"), 87);
  EXPECT_EQ(rename_error(INVALID_HANDLE_VALUE, L"\\??\\C:\\x"), 87);
  EXPECT_EQ(rename_error(file.get(), L""), 87);
  // 260 characters are accepted (and the rename fails on the long name).
  EXPECT_EQ(rename_error(file.get(), L"\\??\\C:\\" + std::wstring(kMaxRenameName - 7, L'x')), 0);
  EXPECT_EQ(rename_error(file.get(), L"\\??\\C:\\" + std::wstring(kMaxRenameName - 6, L'x')), 111);
}

// An older generation that someone still holds open cannot be replaced by a
// rename; it is moved aside and deleted when its holder closes it, so the
// rotation still happens and leaves one ".old".
TEST(LogFileRotation, AnOldFileHeldOpenDoesNotStopTheRotation) {
  test::ScratchFolder folder;
  const std::wstring path = folder.file("Update.log");
  test::write_file(path, std::string("\xEF\xBB\xBF") + std::string(200, 'x'));
  test::write_file(path + L".old", "held generation");
  os::scoped_handle holder = open_for_rename(path + L".old", OPEN_EXISTING);
  ASSERT_TRUE(holder.valid());

  auto logger = Logger::create();
  logger->open_file(path.c_str(), 100, kDebug);
  log_message(*logger, kInfo, make_category(L"test"), "after the rotation");
  EXPECT_EQ(test::read_file(path + L".old"), std::string("\xEF\xBB\xBF") + std::string(200, 'x'));
  EXPECT_NE(test::read_file(path).find("after the rotation"), std::string::npos);
  holder.reset();
  logger.reset();
  size_t files = 0;
  for (const auto& entry : std::filesystem::directory_iterator(folder.path())) {
    (void)entry;
    ++files;
  }
  EXPECT_EQ(files, 2u);
}

// Anyone on the machine can compute the file lock's name and hold the
// mutex for ever. The logger still opens the file (moving a file without
// the mark aside), writes every line and finishes; the lines go unlocked.
TEST(LogFileLock, AMutexHeldElsewhereBlocksNoLine) {
  test::ScratchFolder folder;
  const std::wstring path = folder.file("Update.log");
  test::write_file(path, "no mark");
  const std::wstring name = file_mutex_name(path);
  const char* const kTexts[] = {"first", "second", "third"};
  os::scoped_handle taken(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  os::scoped_handle release(CreateEventW(nullptr, TRUE, FALSE, nullptr));
  // A thread with its own handle owns the mutex, as another process would.
  std::thread holder([&] {
    os::scoped_handle own(CreateMutexW(nullptr, TRUE, name.c_str()));
    SetEvent(taken.get());
    WaitForSingleObject(release.get(), INFINITE);
    ReleaseMutex(own.get());
  });
  ASSERT_EQ(WaitForSingleObject(taken.get(), 10000), WAIT_OBJECT_0);
  {
    ScopedFileMutexTimeout short_wait(20);
    auto logger = Logger::create();
    logger->open_file(path.c_str(), 1 << 20, kDebug);
    for (const char* text : kTexts) log_message(*logger, kInfo, make_category(L"test"), "%s", text);
  }
  SetEvent(release.get());
  holder.join();
  const std::vector<std::string> lines = test::log_lines(test::read_file(path));
  ASSERT_EQ(lines.size(), 3u);
  for (size_t i = 0; i < lines.size(); ++i) {
    test::ParsedLine parsed;
    ASSERT_TRUE(test::parse_line(lines[i], parsed));
    EXPECT_EQ(parsed.message, kTexts[i]);
  }
  EXPECT_EQ(test::read_file(path + L".old"), "no mark");
}

TEST(NtPathBeside, FolderFormsOfWin32Paths) {
  struct Case {
    const wchar_t* full_path;
    const wchar_t* expected;
  };
  const Case cases[] = {
      {L"C:\\Data\\Logs\\Update.log", L"\\??\\C:\\Data\\Logs\\x.old"},
      {L"\\\\server\\share\\Update.log", L"\\??\\UNC\\server\\share\\x.old"},
      {L"\\\\?\\C:\\Logs\\Update.log", L"\\??\\C:\\Logs\\x.old"},
      {L"\\\\?\\UNC\\server\\share\\Update.log", L"\\??\\UNC\\server\\share\\x.old"},
  };
  for (const Case& c : cases) EXPECT_EQ(nt_path_beside(c.full_path, L"x.old"), c.expected) << c.full_path;
}

TEST(CalendarTime, MatchesFileTimeToSystemTime) {
  const uint64_t samples[] = {0,
                              1,
                              116444736000000000ULL,
                              133537247999990000ULL,
                              134168301020470000ULL,
                              0x01D0000000000000ULL,
                              0x7FFFFFFFFFFFFFFFULL,
                              0x8000000000000000ULL,
                              0xFFFFFFFFFFFFFFFFULL};
  for (uint64_t sample : samples) {
    FILETIME file_time{static_cast<DWORD>(sample), static_cast<DWORD>(sample >> 32)};
    SYSTEMTIME system;
    CalendarTime mine{};
    bool system_ok = FileTimeToSystemTime(&file_time, &system) != 0;
    ASSERT_EQ(calendar_time_from_file_time(sample, mine), system_ok) << sample;
    if (!system_ok) continue;
    EXPECT_EQ(mine.year, system.wYear) << sample;
    EXPECT_EQ(mine.month, system.wMonth) << sample;
    EXPECT_EQ(mine.day, system.wDay) << sample;
    EXPECT_EQ(mine.hour, system.wHour) << sample;
    EXPECT_EQ(mine.minute, system.wMinute) << sample;
    EXPECT_EQ(mine.second, system.wSecond) << sample;
    EXPECT_EQ(mine.millisecond, system.wMilliseconds) << sample;
  }
}

}  // namespace
}  // namespace krv::log
