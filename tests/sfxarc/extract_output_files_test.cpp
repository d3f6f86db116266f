#include <gtest/gtest.h>

#include <filesystem>
#include <vector>

#include "sfxarc/retrying_delete.h"
#include "sfxarc/write_whole_file.h"
#include "tests/sfxarc/temp_folder.h"

namespace krv::sfxarc {
namespace {

using testing::ReadAll;
using testing::TempFolder;

std::vector<uint32_t> g_pauses;

class RetryingDeleteTest : public ::testing::Test {
 protected:
  void SetUp() override { g_pauses.clear(); }

  TempFolder folder_;
  ScopedRetrySleep record_pauses_{[](uint32_t ms) { g_pauses.push_back(ms); }};
};

TEST_F(RetryingDeleteTest, DeletesAFileAtTheFirstAttempt) {
  const std::wstring file = folder_.Write(L"a.vpx", {1, 2, 3});
  EXPECT_TRUE(DeleteWithRetry(file));
  EXPECT_FALSE(std::filesystem::exists(file));
  EXPECT_TRUE(g_pauses.empty());
}

TEST_F(RetryingDeleteTest, GivesUpAtOnceOnAMissingPath) {
  EXPECT_FALSE(DeleteWithRetry(folder_.File(L"missing.vpx")));
  EXPECT_TRUE(g_pauses.empty());
}

TEST_F(RetryingDeleteTest, TriesTenTimesWithPausesOf200Milliseconds) {
  // A folder is not deleted as a file, by any user.
  std::filesystem::create_directories(folder_.path() / "folder.vpx");
  EXPECT_FALSE(DeleteWithRetry(folder_.File(L"folder.vpx")));
  EXPECT_EQ(g_pauses, std::vector<uint32_t>(10, 200));
}

#if defined(_WIN32)
TEST_F(RetryingDeleteTest, ClearsTheReadOnlyAttributeFirst) {
  const std::wstring file = folder_.Write(L"read-only.vpx", {1});
  std::filesystem::permissions(file, std::filesystem::perms::owner_write | std::filesystem::perms::group_write |
                                         std::filesystem::perms::others_write,
                               std::filesystem::perm_options::remove);
  EXPECT_TRUE(DeleteWithRetry(file));
  EXPECT_FALSE(std::filesystem::exists(file));
}
#endif

TEST(WriteWholeFile, WritesExactlyTheBytes) {
  TempFolder folder;
  std::vector<uint8_t> bytes(5 * 1024 * 1024 + 17);  // more than one 4 MiB piece
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<uint8_t>(i * 31);
  const std::wstring file = folder.File(L"big.vpx");
  folder.Write(L"big.vpx", std::vector<uint8_t>(9, 0xEE));  // truncated, not appended to
  EXPECT_EQ(WriteWholeFile(file, bytes.data(), static_cast<uint32_t>(bytes.size())), 0u);
  EXPECT_EQ(ReadAll(file), bytes);
  EXPECT_EQ(WriteWholeFile(file, nullptr, 0), 0u);
  EXPECT_TRUE(ReadAll(file).empty());
}

TEST(WriteWholeFile, AFileThatCannotBeCreatedGives82) {
  TempFolder folder;
  const uint8_t byte = 1;
  EXPECT_EQ(WriteWholeFile((folder.path() / "missing" / "a.vpx").wstring(), &byte, 1), kCannotWriteOutput);
}

}  // namespace
}  // namespace krv::sfxarc
