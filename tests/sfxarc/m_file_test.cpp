#include "sfxarc/m_file.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace krv::sfxarc {
namespace {

class CMFileTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(file_.Attach(bytes_.data(), static_cast<uint32_t>(bytes_.size()))); }

  std::vector<uint8_t> bytes_ = {0x11, 0x22, 0x33, 0x44, 0x55, 0x66};
  CMFile file_;
};

TEST_F(CMFileTest, AttachRefusesASecondBufferAndANullPointer) {
  std::vector<uint8_t> other(3);
  EXPECT_FALSE(file_.Attach(other.data(), 3));
  EXPECT_EQ(file_.GetSize(), 6u);

  CMFile fresh;
  EXPECT_FALSE(fresh.Attach(nullptr, 4));
  EXPECT_FALSE(fresh.attached());
}

TEST_F(CMFileTest, ReadCopiesWhatRemainsAndFailsAtTheEnd) {
  uint8_t out[8] = {};
  uint32_t count = 99;
  file_.Seek(4, kSeekFromStart);
  ASSERT_TRUE(file_.Read(out, 8, &count));
  EXPECT_EQ(count, 2u);
  EXPECT_EQ(out[0], 0x55);
  EXPECT_EQ(out[1], 0x66);
  EXPECT_EQ(out[2], 0x00);
  EXPECT_FALSE(file_.Read(out, 1, &count));
  EXPECT_EQ(count, 0u);
  EXPECT_EQ(file_.position(), 6u);
}

TEST_F(CMFileTest, ReadBlockOfExactlyTheRestSucceedsOneMoreLeavesThePosition) {
  file_.Seek(2, kSeekFromStart);
  EXPECT_EQ(file_.ReadBlock(5), nullptr);
  EXPECT_EQ(file_.position(), 2u);
  uint8_t* block = file_.ReadBlock(4);
  ASSERT_NE(block, nullptr);
  EXPECT_EQ(block, bytes_.data() + 2) << "the block points into the buffer";
  EXPECT_EQ(file_.position(), 6u);
  file_.FreeBlock(block);
  EXPECT_EQ(bytes_[2], 0x33) << "FreeBlock leaves the buffer alone";
}

TEST_F(CMFileTest, ReadBlockPastASeekBeyondTheEndFails) {
  file_.Seek(10, kSeekFromStart);
  EXPECT_EQ(file_.ReadBlock(0), nullptr);
  uint8_t byte = 0;
  EXPECT_FALSE(file_.Read(&byte, 1, nullptr));
}

TEST_F(CMFileTest, ReadU32OverTheLastTwoBytesReadsTwoAndFailsTwo) {
  file_.Seek(4, kSeekFromStart);
  uint32_t value = 0xDEADBEEF;
  EXPECT_FALSE(ReadU32(file_, &value));
  EXPECT_EQ(value, 0x6655u);
  EXPECT_EQ(file_.position(), 6u);
}

TEST_F(CMFileTest, ReadU32IsLittleEndian) {
  uint32_t value = 0;
  ASSERT_TRUE(ReadU32(file_, &value));
  EXPECT_EQ(value, 0x44332211u);
}

TEST_F(CMFileTest, WriteStaysInsideTheBuffer) {
  const uint8_t in[4] = {1, 2, 3, 4};
  uint32_t count = 0;
  file_.Seek(4, kSeekFromStart);
  ASSERT_TRUE(file_.Write(in, 4, &count));
  EXPECT_EQ(count, 2u);
  EXPECT_EQ(bytes_, (std::vector<uint8_t>{0x11, 0x22, 0x33, 0x44, 1, 2}));
  EXPECT_FALSE(file_.Write(in, 1, &count));
}

TEST_F(CMFileTest, SeekFromCurrentAndFromEndTakesTheOffsetAsSigned) {
  file_.Seek(5, kSeekFromStart);
  EXPECT_EQ(file_.Seek(static_cast<uint32_t>(-3), kSeekFromCurrent), 2u);
  EXPECT_EQ(file_.Seek(static_cast<uint32_t>(-1), kSeekFromEnd), 5u);
}

TEST_F(CMFileTest, CloseDetaches) {
  file_.Close();
  uint8_t byte = 0;
  EXPECT_FALSE(file_.Read(&byte, 1, nullptr));
  EXPECT_EQ(file_.ReadBlock(0), nullptr);
  std::vector<uint8_t> other(2);
  EXPECT_TRUE(file_.Attach(other.data(), 2));
}

}  // namespace
}  // namespace krv::sfxarc
