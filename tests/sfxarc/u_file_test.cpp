#include "sfxarc/u_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <vector>

#include "sfxarc/errno_code.h"
#include "sfxarc/file_block.h"
#include "tests/sfxarc/temp_folder.h"

namespace krv::sfxarc {
namespace {

using testing::ReadAll;
using testing::TempFolder;

std::vector<uint8_t> Pattern(size_t n) {
  std::vector<uint8_t> bytes(n);
  for (size_t i = 0; i < n; ++i) bytes[i] = static_cast<uint8_t>(i * 7 + i / 251);
  return bytes;
}

TEST(CUFileOpen, MissingFileSetsTwo) {
  TempFolder folder;
  CUFile file;
  EXPECT_FALSE(file.OpenRead(folder.File(L"missing.bin")));
  EXPECT_EQ(file.last_error(), 2u);
  EXPECT_FALSE(file.is_open());
}

TEST(CUFileOpen, MissingFolderSetsTheRuntimesCode) {
  TempFolder folder;
  CUFile file;
  EXPECT_FALSE(file.OpenWrite(folder.File(L"no-such-folder/out.bin")));
  EXPECT_EQ(file.last_error(), 2u);
}

TEST(CUFileOpen, OpeningAnOpenFileAgainSetsSix) {
  TempFolder folder;
  const std::wstring path = folder.Write(L"a.bin", Pattern(10));
  CUFile file;
  ASSERT_TRUE(file.OpenRead(path));
  EXPECT_FALSE(file.OpenRead(path));
  EXPECT_EQ(file.last_error(), 6u);
  EXPECT_TRUE(file.is_open()) << "the first open stays";
  EXPECT_EQ(file.GetSize(), 10u);
}

TEST(CUFileOpen, NonAsciiWidePath) {
  TempFolder folder;
  // Made through a UTF-8 path: the wide forms of std::filesystem depend on
  // the locale on POSIX, the code under test must not.
  {
    std::ofstream out(folder.path() / std::filesystem::u8path(u8"\u00fcber_\u65e5\u672c_\U0001F600.bin"),
                      std::ios::binary);
    out << "abc";
  }
  const std::wstring path = folder.path().wstring() + L"/\u00fcber_\u65e5\u672c_\U0001F600.bin";
  CUFile file;
  ASSERT_TRUE(file.OpenRead(path)) << file.last_error();
  EXPECT_EQ(file.GetSize(), 3u);
  EXPECT_EQ(file.path(), path);
}

TEST(CUFileOpen, FileOfTwoGibibytesIsRefused) {
  TempFolder folder;
  const std::filesystem::path big = folder.path() / "big.bin";
  { std::ofstream create(big, std::ios::binary); }
  std::filesystem::resize_file(big, 0x80000000ull);  // sparse where the file system allows
  CUFile file;
  EXPECT_FALSE(file.OpenRead(big.wstring()));
  EXPECT_EQ(file.last_error(), 223u);
  std::filesystem::resize_file(big, 0x7FFFFFFFull);
  ASSERT_TRUE(file.OpenRead(big.wstring()));
  EXPECT_EQ(file.GetSize(), 0x7FFFFFFFu);
}

TEST(CUFileRead, WholeFileLargerThanOnePiece) {
  TempFolder folder;
  const std::vector<uint8_t> bytes = Pattern(9 * 1024 * 1024 + 17);
  CUFile file;
  ASSERT_TRUE(file.OpenRead(folder.Write(L"big.bin", bytes)));
  std::vector<uint8_t> out(bytes.size());
  uint32_t count = 0;
  ASSERT_TRUE(file.Read(out.data(), static_cast<uint32_t>(out.size()), &count));
  EXPECT_EQ(count, bytes.size());
  EXPECT_EQ(out, bytes);
  EXPECT_EQ(file.Seek(0, kSeekFromCurrent), bytes.size());
}

TEST(CUFileRead, ShortReadReportsTheCountAndThirtyEight) {
  TempFolder folder;
  CUFile file;
  ASSERT_TRUE(file.OpenRead(folder.Write(L"a.bin", Pattern(10))));
  file.Seek(6, kSeekFromStart);
  uint8_t out[8] = {};
  uint32_t count = 0;
  EXPECT_FALSE(file.Read(out, 8, &count));
  EXPECT_EQ(count, 4u);
  EXPECT_EQ(file.last_error(), 38u);
}

TEST(CUFileRead, NotOpenSetsSix) {
  CUFile file;
  uint8_t byte = 0;
  uint32_t count = 5;
  EXPECT_FALSE(file.Read(&byte, 1, &count));
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(file.last_error(), 6u);
  EXPECT_FALSE(file.Write(&byte, 1, nullptr));
  EXPECT_EQ(file.last_error(), 6u);
}

TEST(CUFileRead, ReadBlockOnAShortFileHasAZeroTail) {
  TempFolder folder;
  const std::vector<uint8_t> bytes = Pattern(10);
  CUFile file;
  ASSERT_TRUE(file.OpenRead(folder.Write(L"a.bin", bytes)));
  file.Seek(4, kSeekFromStart);
  FileBlock block(file, 16);
  ASSERT_TRUE(block);
  EXPECT_EQ(std::vector<uint8_t>(block.data(), block.data() + 6), std::vector<uint8_t>(bytes.begin() + 4, bytes.end()));
  EXPECT_EQ(std::vector<uint8_t>(block.data() + 6, block.data() + 16), std::vector<uint8_t>(10, 0));
}

// No file the object opens has a byte at 2 GiB or beyond, so a block reaching
// there is refused before anything is allocated, as is one read after a
// failed seek (whose position is 0xFFFFFFFF).
TEST(CUFileRead, ReadBlockReachingBeyondWhatAFileCanHoldIsNone) {
  TempFolder folder;
  CUFile file;
  ASSERT_TRUE(file.OpenRead(folder.Write(L"a.bin", Pattern(10))));
  EXPECT_EQ(file.ReadBlock(0xFFFFFFFFu), nullptr);
  EXPECT_EQ(file.ReadBlock(0x80000000u), nullptr);
  file.Seek(0x80000000u, kSeekFromStart);
  EXPECT_EQ(file.ReadBlock(1), nullptr);
  EXPECT_EQ(file.Seek(1, kSeekFromStart), 1u);
  FileBlock block(file, 0x7FFFFFFEu - 0x7FFF0000u);
  EXPECT_TRUE(block) << "a block ending below 2 GiB is still made";
}

TEST(CUFileSeek, NegativePositionFailsAndKeepsTheDescriptorWhereItWas) {
  TempFolder folder;
  const std::vector<uint8_t> bytes = Pattern(10);
  CUFile file;
  ASSERT_TRUE(file.OpenRead(folder.Write(L"a.bin", bytes)));
  EXPECT_EQ(file.Seek(3, kSeekFromStart), 3u);
  EXPECT_EQ(file.Seek(static_cast<uint32_t>(-4), kSeekFromCurrent), 0xFFFFFFFFu);
  EXPECT_EQ(file.last_error(), 87u);
  uint8_t byte = 0;
  ASSERT_TRUE(file.Read(&byte, 1, nullptr));
  EXPECT_EQ(byte, bytes[3]);
  EXPECT_EQ(file.Seek(static_cast<uint32_t>(-2), kSeekFromEnd), 8u);
  // Offsets are signed 32-bit: 0x80000000 from the start is negative.
  EXPECT_EQ(file.Seek(0x80000000u, kSeekFromStart), 0xFFFFFFFFu);
}

TEST(CUFileWrite, SizeFollowsTheWritesAndTheContentReachesTheDisk) {
  TempFolder folder;
  const std::wstring path = folder.File(L"out.bin");
  const std::vector<uint8_t> bytes = Pattern(5 * 1024 * 1024);
  {
    CUFile file;
    ASSERT_TRUE(file.OpenWrite(path));
    EXPECT_EQ(file.GetSize(), 0u);
    uint32_t count = 0;
    ASSERT_TRUE(file.Write(bytes.data(), static_cast<uint32_t>(bytes.size()), &count));
    EXPECT_EQ(count, bytes.size());
    EXPECT_EQ(file.GetSize(), bytes.size());
    file.Seek(2, kSeekFromStart);
    ASSERT_TRUE(file.Write(bytes.data(), 4, nullptr));
    EXPECT_EQ(file.GetSize(), bytes.size()) << "overwriting does not grow the file";
  }
  std::vector<uint8_t> expected = bytes;
  std::copy(bytes.begin(), bytes.begin() + 4, expected.begin() + 2);
  EXPECT_EQ(ReadAll(path), expected);
}

TEST(CUFileWrite, OpenWriteTruncates) {
  TempFolder folder;
  const std::wstring path = folder.Write(L"old.bin", Pattern(100));
  CUFile file;
  ASSERT_TRUE(file.OpenWrite(path));
  EXPECT_EQ(file.GetSize(), 0u);
  file.Close();
  EXPECT_TRUE(ReadAll(path).empty());
}

TEST(CUFileClose, ClosedFileCanBeOpenedAgain) {
  TempFolder folder;
  const std::wstring path = folder.Write(L"a.bin", Pattern(4));
  CUFile file;
  ASSERT_TRUE(file.OpenRead(path));
  file.Close();
  EXPECT_FALSE(file.is_open());
  EXPECT_TRUE(file.path().empty());
  EXPECT_TRUE(file.OpenRead(path));
}

struct ErrnoRow {
  int errno_value;
  uint32_t code;
};

TEST(Win32CodeFromErrno, Table) {
  const ErrnoRow rows[] = {
      {ENOENT, 2},  {E2BIG, 10},   {ENOEXEC, 11}, {EBADF, 6},    {ECHILD, 128}, {EAGAIN, 89},
      {ENOMEM, 8},  {EACCES, 5},   {EEXIST, 183}, {EXDEV, 17},   {ENODEV, 15},  {ENOTDIR, 3},
      {EINVAL, 87}, {EMFILE, 4}, {ENOSPC, 112}, {EPIPE, 109}, {ENOTEMPTY, 145},
      {EISDIR, 120}, {0, 120},     {-1, 120},
  };
  for (const ErrnoRow& row : rows) {
    SCOPED_TRACE(row.errno_value);
    EXPECT_EQ(Win32CodeFromErrno(row.errno_value), row.code);
  }
}

}  // namespace
}  // namespace krv::sfxarc
