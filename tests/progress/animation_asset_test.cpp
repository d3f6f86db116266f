// The committed animation's own structure, read from its bytes: what the
// window needs of it (size, frames, delays) and what GDI+ does not report
// (one global table of 256 colours, no local tables, endless looping).
#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

struct GifFacts {
  bool valid = false;
  unsigned width = 0, height = 0;
  unsigned global_colours = 0;  // 0: no global table
  bool has_loop_extension = false;
  unsigned loop_count = 0;
  unsigned frames = 0;
  unsigned local_tables = 0;
  std::vector<unsigned> delays;  // hundredths of a second, one per control block
};

// Walks the GIF's blocks; `valid` is false when a block runs past the end.
class GifReader {
 public:
  explicit GifReader(const std::vector<uint8_t>& bytes) : bytes_(bytes) {}

  GifFacts Read() {
    GifFacts facts;
    if (!Has(13) || std::string(bytes_.begin(), bytes_.begin() + 6) != "GIF89a") return facts;
    facts.width = U16(6);
    facts.height = U16(8);
    const uint8_t screen = bytes_[10];
    pos_ = 13;
    if (screen & 0x80) {
      facts.global_colours = 2u << (screen & 7);
      if (!Skip(3 * facts.global_colours)) return facts;
    }
    while (Has(1)) {
      const uint8_t introducer = bytes_[pos_++];
      if (introducer == 0x3B) {
        facts.valid = true;
        return facts;
      }
      if (introducer == 0x21) {
        if (!Has(1)) return facts;
        const uint8_t label = bytes_[pos_++];
        if (!Extension(label, facts)) return facts;
      } else if (introducer == 0x2C) {
        if (!Has(9)) return facts;
        const uint8_t packed = bytes_[pos_ + 8];
        pos_ += 9;
        ++facts.frames;
        if (packed & 0x80) {
          ++facts.local_tables;
          if (!Skip(3 * (2u << (packed & 7)))) return facts;
        }
        if (!Skip(1) || !SubBlocks(nullptr)) return facts;  // code size, then the data
      } else {
        return facts;
      }
    }
    return facts;
  }

 private:
  bool Has(size_t n) const { return n <= bytes_.size() && pos_ <= bytes_.size() - n; }
  bool Skip(size_t n) {
    if (!Has(n)) return false;
    pos_ += n;
    return true;
  }
  unsigned U16(size_t at) const { return bytes_[at] | (bytes_[at + 1] << 8); }

  // Sub-blocks up to the terminator; their bytes appended to `data` if given.
  bool SubBlocks(std::vector<uint8_t>* data) {
    while (Has(1)) {
      const uint8_t size = bytes_[pos_++];
      if (size == 0) return true;
      if (!Has(size)) return false;
      if (data) data->insert(data->end(), bytes_.begin() + pos_, bytes_.begin() + pos_ + size);
      pos_ += size;
    }
    return false;
  }

  bool Extension(uint8_t label, GifFacts& facts) {
    std::vector<uint8_t> data;
    if (!SubBlocks(&data)) return false;
    if (label == 0xF9 && data.size() >= 4) facts.delays.push_back(data[1] | (data[2] << 8));
    if (label == 0xFF && data.size() >= 14 && std::string(data.begin(), data.begin() + 11) == "NETSCAPE2.0" &&
        data[11] == 1) {
      facts.has_loop_extension = true;
      facts.loop_count = data[12] | (data[13] << 8);
    }
    return true;
  }

  const std::vector<uint8_t>& bytes_;
  size_t pos_ = 0;
};

TEST(StoredAnimationFile, IsA400x267LoopingGifOf74FramesOf40MsOverOne256ColourTable) {
  std::ifstream in(KRV_SOURCE_DIR "/assets/progress_animation.gif", std::ios::binary);
  ASSERT_TRUE(in);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const GifFacts gif = GifReader(bytes).Read();
  ASSERT_TRUE(gif.valid);
  EXPECT_EQ(gif.width, 400u);
  EXPECT_EQ(gif.height, 267u);
  EXPECT_EQ(gif.global_colours, 256u);
  EXPECT_EQ(gif.local_tables, 0u);
  EXPECT_TRUE(gif.has_loop_extension);
  EXPECT_EQ(gif.loop_count, 0u);  // for ever
  EXPECT_EQ(gif.frames, 74u);
  ASSERT_EQ(gif.delays.size(), 74u);
  for (unsigned delay : gif.delays) EXPECT_EQ(delay, 4u);
}

}  // namespace
