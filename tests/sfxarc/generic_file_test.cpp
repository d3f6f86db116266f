#include "sfxarc/generic_file.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "sfxarc/extended_path.h"
#include "tests/sfxarc/temp_folder.h"

namespace krv::root {
namespace {

using krv::sfxarc::testing::TempFolder;

std::vector<uint8_t> Pattern(size_t n) {
  std::vector<uint8_t> bytes(n);
  for (size_t i = 0; i < n; ++i) bytes[i] = uint8_t(i * 7 + i / 251);
  return bytes;
}

class GenericFileTest : public ::testing::Test {
 protected:
  // A file of n pattern bytes, opened. The previous one is closed first:
  // Windows refuses to truncate a file while a section of it exists.
  CGenericFile& OpenFile(size_t n) {
    file_.reset();
    bytes_ = Pattern(n);
    file_ = std::make_unique<CGenericFile>(folder_.Write(L"data.bin", bytes_));
    EXPECT_TRUE(file_->Open()) << file_->last_error();
    return *file_;
  }

  std::vector<uint8_t> Expected(uint64_t offset, size_t n) const {
    return std::vector<uint8_t>(bytes_.begin() + long(offset), bytes_.begin() + long(offset + n));
  }

  TempFolder folder_;
  std::vector<uint8_t> bytes_;
  std::unique_ptr<CGenericFile> file_;
};

TEST_F(GenericFileTest, OpenReportsTheSystemsCode) {
  CGenericFile missing(folder_.File(L"missing.bin"));
  EXPECT_FALSE(missing.Open());
  EXPECT_EQ(missing.last_error(), 2u);
  EXPECT_FALSE(missing.is_open());
  uint8_t byte;
  EXPECT_FALSE(missing.ReadAt(0, &byte, 1));
  EXPECT_EQ(missing.last_error(), 6u) << "not open";
}

TEST_F(GenericFileTest, OpenTakesTheSizeAndReopens) {
  CGenericFile& file = OpenFile(1234);
  EXPECT_EQ(file.size(), 1234u);
  EXPECT_EQ(file.position(), 0u);
  EXPECT_FALSE(file.copy_mode());
  EXPECT_TRUE(file.Open()) << "an open object is closed and opened again";
  file.Close();
  file.Close();
  EXPECT_FALSE(file.is_open());
  EXPECT_EQ(file.size(), 0u);
}

#ifndef _WIN32
// Wine reports no device attribute for NUL or CON, so this is POSIX only.
TEST_F(GenericFileTest, RefusesDevices) {
  CGenericFile device(L"/dev/null");
  EXPECT_FALSE(device.Open());
  EXPECT_EQ(device.last_error(), CGenericFile::kErrorDevicePath);
}
#endif

TEST_F(GenericFileTest, ReadAtIsExactAndKeepsThePosition) {
  CGenericFile& file = OpenFile(5000);
  std::vector<uint8_t> buffer(100);
  ASSERT_TRUE(file.ReadAt(4900, buffer.data(), 100));
  EXPECT_EQ(buffer, Expected(4900, 100));
  EXPECT_EQ(file.position(), 0u);
  EXPECT_FALSE(file.ReadAt(4901, buffer.data(), 100));
  EXPECT_EQ(file.last_error(), CGenericFile::kErrorReadFault);
  EXPECT_FALSE(file.ReadAt(uint64_t(1) << 40, buffer.data(), 1));
  EXPECT_EQ(file.last_error(), CGenericFile::kErrorReadFault);
}

TEST_F(GenericFileTest, ReadAdvancesAndStopsAtTheEnd) {
  CGenericFile& file = OpenFile(300);
  std::vector<uint8_t> buffer(200);
  uint32_t n = 200;
  ASSERT_TRUE(file.Read(buffer.data(), &n));
  EXPECT_EQ(n, 200u);
  n = 200;
  ASSERT_TRUE(file.Read(buffer.data(), &n));
  EXPECT_EQ(n, 100u);
  EXPECT_EQ(std::vector<uint8_t>(buffer.begin(), buffer.begin() + 100), Expected(200, 100));
  EXPECT_EQ(file.position(), 300u);
  n = 10;
  EXPECT_TRUE(file.Read(buffer.data(), &n)) << "without a window the end reads nothing";
  EXPECT_EQ(n, 0u);
  ASSERT_TRUE(file.Map(0));
  n = 10;
  EXPECT_FALSE(file.Read(buffer.data(), &n)) << "with a window the end is an error";
  EXPECT_EQ(file.last_error(), CGenericFile::kErrorHandleEof);
  EXPECT_EQ(n, 0u);
  ASSERT_TRUE(file.Seek(290));
  EXPECT_FALSE(file.ReadExact(buffer.data(), 20));
  EXPECT_EQ(file.last_error(), CGenericFile::kErrorReadFault);
  EXPECT_EQ(file.position(), 300u);
}

TEST_F(GenericFileTest, SeekRefusesNegativePositions) {
  CGenericFile& file = OpenFile(10);
  EXPECT_TRUE(file.Seek(1000)) << "past the end is allowed";
  EXPECT_FALSE(file.Seek(uint64_t(-5)));
  EXPECT_EQ(file.last_error(), CGenericFile::kErrorNegativeSeek);
  EXPECT_EQ(file.position(), 1000u);
}

// Windows are 60 granules (copy mode: 2), start on a granule and end at the
// end of the file; reads inside come from the window.
TEST_F(GenericFileTest, MapPlacesTheWindow) {
  CGenericFile& file = OpenFile(0);
  const uint32_t granule = file.window_size() / 60;
  file.Close();
  CGenericFile& big = OpenFile(size_t(granule) * 70 + 123);
  ASSERT_EQ(big.window_size(), 60 * granule);
  ASSERT_TRUE(big.Map(granule * 3 + 17));
  std::vector<uint8_t> buffer(64);
  ASSERT_TRUE(big.ReadAt(granule * 3, buffer.data(), 64));
  EXPECT_EQ(buffer, Expected(granule * 3, 64));
  // Across the end of the window: the file is read instead.
  ASSERT_TRUE(big.ReadAt(granule * 63 - 10, buffer.data(), 64));
  EXPECT_EQ(buffer, Expected(granule * 63 - 10, 64));
  ASSERT_TRUE(big.Map(granule * 69 + 5)) << "nested; a window cut short by the end";
  ASSERT_TRUE(big.ReadAt(big.size() - 64, buffer.data(), 64));
  EXPECT_EQ(buffer, Expected(big.size() - 64, 64));
  ASSERT_TRUE(big.Map(big.size() + 100)) << "past the end counts as 0";
  ASSERT_TRUE(big.ReadAt(0, buffer.data(), 64));
  EXPECT_EQ(buffer, Expected(0, 64));
  big.Unmap();
  big.Unmap();
  big.Unmap();
  uint32_t n = 8;
  EXPECT_TRUE(big.Seek(big.size()));
  EXPECT_TRUE(big.Read(buffer.data(), &n)) << "all windows released";
}

TEST_F(GenericFileTest, MapOfAnEmptyFileFails) {
  CGenericFile& file = OpenFile(0);
  EXPECT_FALSE(file.Map(0));
  EXPECT_EQ(file.last_error(), CGenericFile::kErrorOpenFailed);
}

TEST_F(GenericFileTest, CopyModeWhenTheSystemCannotMap) {
  CGenericFile& probe = OpenFile(0);
  const uint32_t granule = probe.window_size() / 60;
  ScopedMappingFailure no_mapping;
  CGenericFile& file = OpenFile(size_t(granule) * 5 + 1);
  ASSERT_TRUE(file.Map(granule + 1));
  EXPECT_TRUE(file.copy_mode());
  EXPECT_EQ(file.window_size(), 2 * granule);
  std::vector<uint8_t> buffer(32);
  ASSERT_TRUE(file.ReadAt(granule * 3 - 16, buffer.data(), 32));
  EXPECT_EQ(buffer, Expected(granule * 3 - 16, 32));
  const uint8_t* whole = file.WholeView(file.size());
  ASSERT_NE(whole, nullptr);
  EXPECT_EQ(std::vector<uint8_t>(whole, whole + file.size()), bytes_);
  file.Unmap();
}

TEST_F(GenericFileTest, WholeViewCoversTheStartOfTheFile) {
  CGenericFile& file = OpenFile(100000);
  const uint8_t* all = file.WholeView(100000);
  ASSERT_NE(all, nullptr) << file.last_error();
  EXPECT_EQ(std::vector<uint8_t>(all, all + 100000), bytes_);
  EXPECT_EQ(file.WholeView(10), all) << "a covering window is reused";
  EXPECT_EQ(file.WholeView(100001), nullptr);
  EXPECT_EQ(file.last_error(), CGenericFile::kErrorHandleEof);
  EXPECT_EQ(file.WholeView(0), nullptr);
  EXPECT_EQ(file.last_error(), CGenericFile::kErrorBadArguments);
  file.Unmap();
  CGenericFile& empty = OpenFile(0);
  EXPECT_EQ(empty.WholeView(1), nullptr);
  EXPECT_EQ(empty.last_error(), CGenericFile::kErrorSeekOnDevice);
}

// A sparse file just over 4 GiB: no single view may cover it.
TEST_F(GenericFileTest, WholeViewOfFourGibibytesIsRefused) {
  const std::wstring path = folder_.File(L"sparse.bin");
  folder_.Write(L"sparse.bin", {});
  std::filesystem::resize_file(folder_.path() / "sparse.bin", (uint64_t(1) << 32) + 16);
  CGenericFile file(path);
  ASSERT_TRUE(file.Open());
  EXPECT_EQ(file.size(), (uint64_t(1) << 32) + 16);
  EXPECT_EQ(file.WholeView(uint64_t(1) << 32), nullptr);
  EXPECT_EQ(file.last_error(), CGenericFile::kErrorWindowTooLarge);
  uint8_t tail[16] = {1};
  ASSERT_TRUE(file.ReadAt(uint64_t(1) << 32, tail, 16)) << "64-bit offsets";
  EXPECT_EQ(tail[0], 0);
}

TEST(ExtendedLengthPath, PrefixesAbsoluteAndNetworkPaths) {
  const struct {
    const wchar_t* in;
    const wchar_t* out;
  } cases[] = {
      {L"C:\\Program Files\\Orvane\\pkg.exe", L"\\\\?\\C:\\Program Files\\Orvane\\pkg.exe"},
      {L"c:/temp/x.bin", L"\\\\?\\c:\\temp\\x.bin"},
      {L"C:\\a\\.\\b\\..\\c\\\\d", L"\\\\?\\C:\\a\\c\\d"},
      {L"C:\\..\\..\\x", L"\\\\?\\C:\\x"},
      {L"C:\\", L"\\\\?\\C:\\"},
      {L"C:\\dir\\", L"\\\\?\\C:\\dir\\"},
      {L"\\\\server\\share\\dir\\f.exe", L"\\\\?\\UNC\\server\\share\\dir\\f.exe"},
      {L"//server/share/../f", L"\\\\?\\UNC\\server\\share\\f"},
      {L"\\\\?\\C:\\already", L"\\\\?\\C:\\already"},
      {L"\\\\.\\PhysicalDrive0", L"\\\\.\\PhysicalDrive0"},
      {L"relative\\file.txt", L"relative\\file.txt"},
      {L"C:relative", L"C:relative"},
      {L"\\rooted", L"\\rooted"},
      {L"", L""},
  };
  for (const auto& c : cases) EXPECT_EQ(ToExtendedLengthPath(c.in), c.out) << std::filesystem::path(c.in).string();
}

}  // namespace
}  // namespace krv::root
