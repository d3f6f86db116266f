// Blocks whose streams come from other coders: xz's .lzma format and
// Python's zlib. The tools run at test time; the streams are not committed.

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdint>
#include <string>
#include <vector>

#include "sfxarc/m_file.h"
#include "sfxarc/unpack_block.h"
#include "tests/sfxarc/block_bytes.h"
#include "tests/sfxarc/temp_folder.h"

namespace krv::sfxarc {
namespace {

using testing::BlockBytes;
using testing::Bytes;
using testing::TempFolder;

// The standard output of a shell command; fails the test when it does not
// exit with 0.
std::vector<uint8_t> RunTool(const std::string& command) {
  std::vector<uint8_t> out;
  FILE* pipe = popen(command.c_str(), "r");
  if (pipe == nullptr) {
    ADD_FAILURE() << "cannot run " << command;
    return out;
  }
  char buffer[65536];
  size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) out.insert(out.end(), buffer, buffer + n);
  EXPECT_EQ(pclose(pipe), 0) << command;
  return out;
}

std::vector<uint8_t> Content() {
  std::string text;
  for (int i = 0; i < 5000; ++i) text += "definition " + std::to_string(i * 37 % 1001) + ";\n";
  return Bytes(text);
}

uint32_t Unpack(std::vector<uint8_t> block, std::vector<uint8_t>* out) {
  CMFile file;
  file.Attach(block.data(), static_cast<uint32_t>(block.size()));
  return UnpackBlock(file, *out);
}

class ForeignStreams : public ::testing::Test {
 protected:
  void SetUp() override {
    path_ = folder_.path() / "content.txt";
    folder_.Write(L"content.txt", content_);
  }

  TempFolder folder_;
  std::vector<uint8_t> content_ = Content();
  std::filesystem::path path_;
};

TEST_F(ForeignStreams, XzLzmaAloneStreamWithItsSizeDropped) {
  const std::vector<uint8_t> alone = RunTool("xz --format=lzma -c -6 '" + path_.string() + "'");
  ASSERT_GT(alone.size(), 13u);
  // .lzma header: 5 property bytes, then an 8-byte size (all ones: unknown,
  // so the stream ends in an end marker).
  std::vector<uint8_t> packed(alone.begin(), alone.begin() + 5);
  packed.insert(packed.end(), alone.begin() + 13, alone.end());
  const uint32_t n = static_cast<uint32_t>(packed.size());
  std::vector<uint8_t> out;
  ASSERT_EQ(Unpack(BlockBytes("KRVsetupFPkgFil3", static_cast<uint32_t>(content_.size()), n, packed), &out), 0u);
  EXPECT_EQ(out, content_);

  // The end marker is accepted; anything behind it is still spare bytes.
  packed.push_back(0);
  EXPECT_EQ(Unpack(BlockBytes("KRVsetupFPkgFil3", static_cast<uint32_t>(content_.size()), n + 1, packed), &out),
            kBrokenPackage);
}

TEST_F(ForeignStreams, XzLzmaStreamWithALargeDictionary) {
  // The properties of packages seen in the field: 5D 00 00 00 01 (16 MiB).
  const std::vector<uint8_t> alone = RunTool("xz --format=lzma --lzma1=dict=16MiB -c '" + path_.string() + "'");
  ASSERT_GT(alone.size(), 13u);
  EXPECT_EQ(std::vector<uint8_t>(alone.begin(), alone.begin() + 5), (std::vector<uint8_t>{0x5D, 0, 0, 0, 1}));
  std::vector<uint8_t> packed(alone.begin(), alone.begin() + 5);
  packed.insert(packed.end(), alone.begin() + 13, alone.end());
  std::vector<uint8_t> out;
  ASSERT_EQ(Unpack(BlockBytes("KRVsetupFPkgFil3", static_cast<uint32_t>(content_.size()),
                              static_cast<uint32_t>(packed.size()), packed),
                   &out),
            0u);
  EXPECT_EQ(out, content_);
}

TEST_F(ForeignStreams, PythonZlibStreamAtBestCompression) {
  const std::vector<uint8_t> packed = RunTool(
      "python3 -c \"import sys, zlib; sys.stdout.buffer.write(zlib.compress(open(sys.argv[1], 'rb').read(), 9))\" '" +
      path_.string() + "'");
  ASSERT_GE(packed.size(), 2u);
  EXPECT_EQ(packed[0], 0x78);
  EXPECT_EQ(packed[1], 0xDA);
  std::vector<uint8_t> out;
  ASSERT_EQ(Unpack(BlockBytes("KRVsetupFPkgFile", static_cast<uint32_t>(content_.size()),
                              static_cast<uint32_t>(packed.size()), packed),
                   &out),
            0u);
  EXPECT_EQ(out, content_);
}

}  // namespace
}  // namespace krv::sfxarc
