// Removing the workspace under Wine: at once (read-only files too, with
// retries while a file is in use), or marked for deletion at restart; shared
// files are kept either way.
#include <gtest/gtest.h>
#include <gmock/gmock.h>

#include <optional>
#include <set>
#include <vector>

#include "handoff/file_removal.h"
#include "handoff/temp_workspace.h"
#include "runtime/scoped_handle.h"
#include "runtime/error_code_text.h"
#include "log/write_log.h"
#include "tests/handoff/recording_log.h"
#include "tests/handoff/registry_values.h"
#include "tests/handoff/scratch.h"

namespace krv::handoff {
namespace {

using ::testing::IsEmpty;
using ::testing::UnorderedElementsAreArray;
using testing::Exists;
using testing::LoggedLine;
using testing::MakeHostSymlink;
using testing::RecordingLog;
using testing::ScopedSharedFileValue;
using testing::ScratchFolder;
using testing::WriteTextFile;

// The same text for the file and the folder lines, so one helper serves.
std::wstring DirectDeleteLine(const std::wstring& path) {
  return L"OpOnReboot: Direct delete of file '" + path + L"' successfully performed.";
}
std::wstring MarkedLine(const std::wstring& path) { return L"OpOnReboot: MoveFileEx('" + path + L"') successfully performed."; }

std::vector<std::wstring> LinesAt(const RecordingLog& recorded, int32_t level, const std::string& category) {
  std::vector<std::wstring> texts;
  for (const LoggedLine& line : recorded.Lines())
    if (line.level == level && line.category == category) texts.push_back(line.text);
  return texts;
}

DWORD AttributesOf(const std::wstring& path) { return GetFileAttributesW(path.c_str()); }

// Whether `folder` lists an entry `name` (a dangling link has no attributes
// to read, but a listing shows it).
bool ListedIn(const std::wstring& folder, const std::wstring& name) {
  WIN32_FIND_DATAW entry;
  const HANDLE find = FindFirstFileW((folder + L"\\" + name).c_str(), &entry);
  if (find == INVALID_HANDLE_VALUE) return false;
  FindClose(find);
  return true;
}

class RemovalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(CreateDirectoryW(workspace_.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((workspace_ + L"\\sub").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((workspace_ + L"\\sub\\deeper").c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryW((workspace_ + L"\\empty").c_str(), nullptr));
    for (const std::wstring& file : files_) ASSERT_TRUE(WriteTextFile(file, "content"));
    ASSERT_TRUE(SetFileAttributesW(read_only_.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN));
    ASSERT_TRUE(SetFileAttributesW(hidden_.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM));
  }

  ScratchFolder scratch_;
  RecordingLog log_;
  const std::wstring workspace_ = scratch_ / L"_ov_pkr.tm~a01234";
  const std::wstring read_only_ = workspace_ + L"\\read-only.dat";
  const std::wstring hidden_ = workspace_ + L"\\sub\\hidden.sys";
  const std::vector<std::wstring> files_ = {workspace_ + L"\\update.vpx", read_only_, hidden_,
                                            workspace_ + L"\\sub\\deeper\\part-1.bin"};
};

TEST_F(RemovalTest, EmptyFolderPathDoesNothingAndGives87) {
  EXPECT_EQ(DeleteDirectoryTree(L"", L"*.*", false), 87u);
  EXPECT_EQ(DeleteDirectoryTree(L"", L"*.*", true), 87u);
  EXPECT_THAT(log_.Lines(), IsEmpty());
}

TEST_F(RemovalTest, AtOnceRemovesEveryFileReadOnlyOnesTooAndEveryFolder) {
  EXPECT_EQ(DeleteDirectoryTree(workspace_, L"*.*", false), 0u);
  EXPECT_FALSE(Exists(workspace_));
  std::vector<std::wstring> expected;
  for (const std::wstring& file : files_) expected.push_back(DirectDeleteLine(file));
  EXPECT_THAT(LinesAt(log_, log::kInfo, "filehlp"), UnorderedElementsAreArray(expected));
  EXPECT_EQ(log_.Lines().size(), expected.size());
}

TEST_F(RemovalTest, SharedFilesAreKeptWhetherAtOnceOrDeferred) {
  const DWORD two = 2, zero = 0;
  const std::wstring shared = workspace_ + L"\\shared.dll";
  const std::wstring unshared = workspace_ + L"\\unshared.dll";  // count 0
  const std::wstring not_a_count = workspace_ + L"\\not-a-count.dll";  // REG_SZ
  for (const std::wstring& file : {shared, unshared, not_a_count}) ASSERT_TRUE(WriteTextFile(file, "dll"));
  ScopedSharedFileValue shared_value(shared, REG_DWORD, &two, sizeof two);
  ScopedSharedFileValue unshared_value(unshared, REG_DWORD, &zero, sizeof zero);
  ScopedSharedFileValue text_value(not_a_count, REG_SZ, L"2", 2 * sizeof(wchar_t));

  for (bool defer : {true, false}) {
    SCOPED_TRACE(defer ? "deferred" : "at once");
    RecordingLog recorded;
    DeleteDirectoryTree(workspace_, L"*.*", defer);
    EXPECT_TRUE(Exists(shared));
    EXPECT_THAT(LinesAt(recorded, log::kWarning, "filehlp"),
                ::testing::ElementsAre(L"Ignoring remove shared file: " + shared));
    for (const auto& [source, target] : testing::PendingFileRenames()) EXPECT_NE(source, L"\\??\\" + shared);
    testing::ForgetPendingFileRenamesBelow(scratch_.path());
  }
  EXPECT_FALSE(Exists(unshared));
  EXPECT_FALSE(Exists(not_a_count));
  EXPECT_FALSE(Exists(files_[0]));
  // The folder that holds the shared file stays.
  EXPECT_TRUE(Exists(workspace_));
}

// Deferred: nothing goes now; every file and then its folder is listed for
// deletion at the next start, read-only cleared so that deletion can work.
TEST_F(RemovalTest, DeferredMarksEveryFileAndFolderForTheNextStart) {
  EXPECT_EQ(DeleteDirectoryTree(workspace_, L"*.*", true), 0u);
  const auto pending = testing::PendingFileRenames();
  testing::ForgetPendingFileRenamesBelow(scratch_.path());

  for (const std::wstring& file : files_) EXPECT_TRUE(Exists(file));
  EXPECT_EQ(AttributesOf(read_only_) & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN), FILE_ATTRIBUTE_HIDDEN);
  EXPECT_EQ(AttributesOf(hidden_) & (FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN),
            static_cast<DWORD>(FILE_ATTRIBUTE_SYSTEM | FILE_ATTRIBUTE_HIDDEN));

  const std::vector<std::wstring> folders = {workspace_ + L"\\sub\\deeper\\", workspace_ + L"\\sub\\",
                                             workspace_ + L"\\empty\\", workspace_ + L"\\"};
  std::vector<std::wstring> marked = files_;
  marked.insert(marked.end(), folders.begin(), folders.end());
  std::vector<std::wstring> expected_lines, expected_sources;
  for (const std::wstring& path : marked) {
    expected_lines.push_back(MarkedLine(path));
    expected_sources.push_back(L"\\??\\" + path);
  }
  EXPECT_THAT(LinesAt(log_, log::kInfo, "filehlp"), UnorderedElementsAreArray(expected_lines));

  // Ours are the last entries, each a deletion (empty target), and every
  // path comes after everything below it.
  std::vector<std::wstring> sources;
  for (const auto& [source, target] : pending) {
    if (source.find(scratch_.path()) == std::wstring::npos) continue;
    sources.push_back(source);
    EXPECT_EQ(target, L"") << std::string(source.begin(), source.end());
  }
  EXPECT_THAT(sources, UnorderedElementsAreArray(expected_sources));
  for (size_t i = 0; i < sources.size(); ++i)
    for (size_t j = i + 1; j < sources.size(); ++j)
      EXPECT_NE(sources[j].rfind(sources[i], 0), 0u) << "folder listed before what it holds";
}

// A folder link inside the workspace is removed as a link; what it points to
// stays.
TEST_F(RemovalTest, AtOnceLeavesWhatAFolderLinkPointsTo) {
  const std::wstring outside = scratch_ / L"outside";
  ASSERT_TRUE(CreateDirectoryW(outside.c_str(), nullptr));
  ASSERT_TRUE(WriteTextFile(outside + L"\\keep.txt", "keep"));
  const std::wstring link = workspace_ + L"\\link";
  // Wine 8 reports success but makes no link (and has no reparse points).
  if (!CreateSymbolicLinkW(link.c_str(), outside.c_str(), SYMBOLIC_LINK_FLAG_DIRECTORY) ||
      AttributesOf(link) == INVALID_FILE_ATTRIBUTES || !(AttributesOf(link) & FILE_ATTRIBUTE_REPARSE_POINT))
    GTEST_SKIP() << "no folder links on this system";
  DeleteDirectoryTree(workspace_, L"*.*", false);
  EXPECT_TRUE(Exists(outside + L"\\keep.txt"));
  EXPECT_FALSE(Exists(workspace_));
}

// Links that someone put into the workspace (a link an extracted program
// made, or one planted while the folder was open to others) lead out of it:
// removal deletes the workspace's own files and never anything a link points
// to. Wine 8 makes no links through CreateSymbolicLinkW; Unix symbolic links
// made from the host side stand in for them. Wine shows a link to a folder
// with FILE_ATTRIBUTE_REPARSE_POINT and a link to a file as a plain file, and
// its delete and attribute calls act on the target, so under Wine the links
// stay (with the folder that holds them); on Windows they go as links.
TEST_F(RemovalTest, AtOnceNeverReachesWhatALinkPointsTo) {
  struct Case {
    const char* what;
    bool to_folder;
    bool with_file;  // the folder holds a file (a file link: always)
  } cases[] = {
      {"link to a read-only file outside", false, true},
      {"link to an empty folder outside", true, false},
      {"link to a folder outside with a read-only file", true, true},
  };
  ScopedRemovalSleep no_pause([](uint32_t) {});
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const std::wstring outside = scratch_ / (L"outside-" + std::to_wstring(++n));
    const std::wstring kept = c.to_folder ? outside + L"\\keep.txt" : outside;
    if (c.to_folder) {
      ASSERT_TRUE(CreateDirectoryW(outside.c_str(), nullptr));
    }
    if (c.with_file) {
      ASSERT_TRUE(WriteTextFile(kept, "keep"));
      ASSERT_TRUE(SetFileAttributesW(kept.c_str(), FILE_ATTRIBUTE_READONLY));
    }
    ASSERT_TRUE(CreateDirectoryW(workspace_.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS);
    ASSERT_TRUE(WriteTextFile(workspace_ + L"\\update.vpx", "content"));
    const std::wstring link = workspace_ + L"\\link-" + std::to_wstring(n);
    if (!MakeHostSymlink(outside, link) || !Exists(link)) GTEST_SKIP() << "no host links on this system";

    DeleteDirectoryTree(workspace_, L"*.*", false);

    EXPECT_TRUE(Exists(outside));
    if (c.with_file) {
      EXPECT_EQ(testing::ReadTextFile(kept), std::optional<std::string>("keep"));
      EXPECT_NE(AttributesOf(kept) & FILE_ATTRIBUTE_READONLY, 0u) << "the target's attributes were changed";
    }
    EXPECT_FALSE(Exists(workspace_ + L"\\update.vpx"));
    if (!testing::RunsUnderWine()) {
      EXPECT_FALSE(Exists(workspace_));
    }
    if (Exists(link)) testing::RemoveHostSymlink(link);
  }
}

// A link whose target is gone still goes, and the workspace with it. Wine 8
// hides such a link from Windows programs (find, attributes and open all
// miss it), so there nothing can see or remove it.
TEST_F(RemovalTest, AtOnceRemovesADanglingLinkAndTheWorkspace) {
  const std::wstring link = workspace_ + L"\\dangling";
  const std::wstring missing = scratch_ / L"missing";
  const bool made = (CreateSymbolicLinkW(link.c_str(), missing.c_str(), SYMBOLIC_LINK_FLAG_ALLOW_UNPRIVILEGED_CREATE) &&
                     ListedIn(workspace_, L"dangling")) ||
                    MakeHostSymlink(missing, link);
  if (!made) GTEST_SKIP() << "no links on this system";
  if (!ListedIn(workspace_, L"dangling")) {
    testing::RemoveHostSymlink(link);
    GTEST_SKIP() << "this system hides dangling links from Windows programs";
  }
  DeleteDirectoryTree(workspace_, L"*.*", false);
  EXPECT_FALSE(ListedIn(workspace_, L"dangling"));
  EXPECT_FALSE(Exists(workspace_));
}

// The pauses between attempts, counted instead of slept; the test decides
// what happens during each.
struct PauseRecorder {
  static inline std::vector<uint32_t> pauses;
  static inline std::function<void(size_t)> on_pause;
  static void Sleep(uint32_t ms) {
    pauses.push_back(ms);
    if (on_pause) on_pause(pauses.size());
  }
};

TEST_F(RemovalTest, AtOnceRetriesAFileInUseTenTimesAtMost) {
  struct Case {
    const char* what;
    size_t release_at_pause;  // 0: never
    bool vanish;              // at that pause the file is deleted by someone else
    uint32_t op_result;
    uint32_t remove_result;
    size_t pauses;
    bool error_line;
  } cases[] = {
      {"released during the third pause", 3, false, 0, 0, 3, false},
      {"never released", 0, false, ERROR_SHARING_VIOLATION, ERROR_SHARING_VIOLATION, 9, true},
      {"deleted by another process during the first pause", 1, true, ERROR_FILE_NOT_FOUND, 0, 1, true},
  };
  const std::wstring& file = files_[0];
  for (const Case& c : cases) {
    for (bool through_remove : {false, true}) {
      SCOPED_TRACE(std::string(c.what) + (through_remove ? ", RemoveFileOrDefer" : ", OpOnReboot"));
      ASSERT_TRUE(WriteTextFile(file, "content"));
      // Open without delete sharing: every deletion fails while it is open.
      os::scoped_handle in_use(
          CreateFileW(file.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
      ASSERT_TRUE(in_use.valid());
      PauseRecorder::pauses.clear();
      PauseRecorder::on_pause = [&](size_t n) {
        if (n != c.release_at_pause) return;
        in_use.reset();
        if (c.vanish) DeleteFileW(file.c_str());
      };
      ScopedRemovalSleep sleep(PauseRecorder::Sleep);
      RecordingLog recorded;

      const uint32_t result = through_remove ? RemoveFileOrDefer(file, false) : OpOnReboot(file, false);
      EXPECT_EQ(result, through_remove ? c.remove_result : c.op_result);
      EXPECT_EQ(PauseRecorder::pauses, std::vector<uint32_t>(c.pauses, 200));
      const std::vector<std::wstring> errors = LinesAt(recorded, log::kError, "filehlp");
      if (c.error_line) {
        EXPECT_THAT(errors, ::testing::ElementsAre(L"OpOnReboot: Cannot directly delete file '" + file + L"', code " +
                                                   krv::FormatErrorCode(c.op_result)));
      } else {
        EXPECT_THAT(errors, IsEmpty());
        EXPECT_THAT(LinesAt(recorded, log::kInfo, "filehlp"), ::testing::ElementsAre(DirectDeleteLine(file)));
      }
      EXPECT_EQ(Exists(file), c.op_result == ERROR_SHARING_VIOLATION);
      PauseRecorder::on_pause = nullptr;
    }
  }
}

TEST_F(RemovalTest, MissingPathIsNothingToRemove) {
  const std::wstring missing = workspace_ + L"\\missing.txt";
  for (bool defer : {false, true}) {
    EXPECT_EQ(OpOnReboot(missing, defer), static_cast<uint32_t>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(RemoveFileOrDefer(missing, defer), 0u);
  }
  EXPECT_THAT(log_.Lines(), IsEmpty());
}

}  // namespace
}  // namespace krv::handoff
