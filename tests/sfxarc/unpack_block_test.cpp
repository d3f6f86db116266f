#include "sfxarc/unpack_block.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include "sfxarc/data_packer_lzma.h"
#include "sfxarc/data_packer_zlib.h"
#include "sfxarc/m_file.h"
#include "tests/sfxarc/block_bytes.h"

namespace krv::sfxarc {
namespace {

using testing::BlockBytes;
using testing::Bytes;
using testing::Packed;
using testing::PackedBlock;

const char kZlibMagic[] = "KRVsetupFPkgFile";
const char kLzmaMagic[] = "KRVsetupFPkgFil3";

std::vector<uint8_t> Sample() {
  std::string text;
  for (int i = 0; i < 200; ++i) text += "line " + std::to_string(i) + " of a sample that packs well\n";
  return Bytes(text);
}

std::vector<uint8_t> Random(size_t n) {
  std::mt19937 generator(1234);
  std::vector<uint8_t> bytes(n);
  for (uint8_t& b : bytes) b = static_cast<uint8_t>(generator());
  return bytes;
}

uint32_t Size(const std::vector<uint8_t>& bytes) { return static_cast<uint32_t>(bytes.size()); }

std::vector<uint8_t> Concat(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

uint32_t Unpack(std::vector<uint8_t> file_bytes, std::vector<uint8_t>* out) {
  CMFile file;
  file.Attach(file_bytes.data(), Size(file_bytes));
  return UnpackBlock(file, *out);
}

struct UnpackRow {
  const char* what;
  std::function<std::vector<uint8_t>()> block;
  uint32_t code;
  std::function<std::vector<uint8_t>()> expected;  // checked on success
};

TEST(UnpackBlock, Table) {
  const std::vector<uint8_t> sample = Sample();
  const std::vector<uint8_t> zlib = Packed(kPackerZlib, sample);
  const std::vector<uint8_t> lzma = Packed(kPackerLzma, sample);
  const UnpackRow rows[] = {
      {"zlib block", [&] { return PackedBlock(kPackerZlib, sample); }, 0, [&] { return sample; }},
      {"lzma block", [&] { return PackedBlock(kPackerLzma, sample); }, 0, [&] { return sample; }},
      {"bytes behind the block (an entry's signature) are ignored",
       [&] { return Concat(PackedBlock(kPackerLzma, sample), std::vector<uint8_t>(72, 0xEE)); }, 0,
       [&] { return sample; }},
      {"zlib with a larger U: the surplus is zero",
       [&] { return BlockBytes(kZlibMagic, Size(sample) + 10, Size(zlib), zlib); }, 0,
       [&] { return Concat(sample, std::vector<uint8_t>(10, 0)); }},
      {"empty zlib content with U 0", [&] { return PackedBlock(kPackerZlib, {}); }, 0, [] { return std::vector<uint8_t>(); }},
      {"empty lzma content with U 0", [&] { return PackedBlock(kPackerLzma, {}); }, 0, [] { return std::vector<uint8_t>(); }},
      {"zlib with a smaller U (buffer error)",
       [&] { return BlockBytes(kZlibMagic, Size(sample) - 1, Size(zlib), zlib); }, kBrokenPackage, nullptr},
      {"zlib with damaged data",
       [&] {
         std::vector<uint8_t> damaged = zlib;
         damaged[damaged.size() / 2] ^= 0xFF;
         return BlockBytes(kZlibMagic, Size(sample), Size(damaged), damaged);
       },
       kBrokenPackage, nullptr},
      {"lzma stream followed by spare bytes inside N",
       [&] { return BlockBytes(kLzmaMagic, Size(sample), Size(lzma) + 3, Concat(lzma, {1, 2, 3})); }, kBrokenPackage,
       nullptr},
      {"lzma stream without end marker cut short",
       [&] {
         const std::vector<uint8_t> cut(lzma.begin(), lzma.end() - 8);
         return BlockBytes(kLzmaMagic, Size(sample), Size(cut), cut);
       },
       kBrokenPackage, nullptr},
      {"lzma N below 5", [&] { return BlockBytes(kLzmaMagic, Size(sample), 3, {0x5D, 0, 0}); }, kBrokenPackage, nullptr},
      {"magic differs in its last byte", [&] { return BlockBytes("KRVsetupFPkgFil4", Size(sample), Size(zlib), zlib); },
       kBrokenPackage, nullptr},
      {"magic differs in its first byte", [&] { return BlockBytes("kRVsetupFPkgFile", Size(sample), Size(zlib), zlib); },
       kBrokenPackage, nullptr},
      {"file shorter than the magic", [] { return Bytes("KRVsetupFPkg"); }, kBrokenPackage, nullptr},
      {"sizes missing behind a good magic", [] { return Bytes("KRVsetupFPkgFile\x10\0"); }, kNotEnoughMemory, nullptr},
      {"N larger than the bytes there", [&] { return BlockBytes(kZlibMagic, Size(sample), Size(zlib) + 1, zlib); },
       kNotEnoughMemory, nullptr},
      {"U of 0xFFFFFFFF", [&] { return BlockBytes(kZlibMagic, 0xFFFFFFFFu, Size(zlib), zlib); }, kBrokenPackage,
       nullptr},
      // A U no stream of N bytes can reach asks only for memory: a package
      // of a few kilobytes made the reader commit 2 GiB of zeros.
      {"zlib U as large as N bytes can reach: the surplus is zero",
       [&] { return BlockBytes(kZlibMagic, Size(zlib) * kMaxExpansion, Size(zlib), zlib); }, 0,
       [&] { return Concat(sample, std::vector<uint8_t>(Size(zlib) * kMaxExpansion - Size(sample), 0)); }},
      {"zlib U one beyond what N bytes can reach",
       [&] { return BlockBytes(kZlibMagic, Size(zlib) * kMaxExpansion + 1, Size(zlib), zlib); }, kBrokenPackage,
       nullptr},
      {"lzma U one beyond what N bytes can reach",
       [&] { return BlockBytes(kLzmaMagic, Size(lzma) * kMaxExpansion + 1, Size(lzma), lzma); }, kBrokenPackage,
       nullptr},
  };
  for (const UnpackRow& row : rows) {
    SCOPED_TRACE(row.what);
    std::vector<uint8_t> out;
    EXPECT_EQ(Unpack(row.block(), &out), row.code);
    if (row.code == 0) {
      EXPECT_EQ(out, row.expected());
    }
  }
}

TEST(UnpackBlock, ReadsTheBlockFromTheFilesStartWhateverItsPosition) {
  std::vector<uint8_t> bytes = PackedBlock(kPackerZlib, Sample());
  CMFile file;
  file.Attach(bytes.data(), Size(bytes));
  file.Seek(30, kSeekFromStart);
  std::vector<uint8_t> out;
  EXPECT_EQ(UnpackBlock(file, out), 0u);
  EXPECT_EQ(out, Sample());
}

struct LzmaRow {
  const char* what;
  std::vector<uint8_t> packed;
  uint32_t capacity;
  int code;
};

TEST(DataPackerLzma, UnpackCodes) {
  const std::vector<uint8_t> sample = Sample();
  const std::vector<uint8_t> lzma = Packed(kPackerLzma, sample);
  std::vector<uint8_t> bad_properties = lzma;
  bad_properties[0] = 225;  // lc, lp and pb only reach (4 * 5 + 4) * 9 + 8 = 224
  const LzmaRow rows[] = {
      {"whole stream", lzma, Size(sample), 0},
      {"output larger than the stream, no end marker", lzma, Size(sample) + 5, 6},
      {"spare bytes behind the stream", Concat(lzma, {0, 0, 0}), Size(sample), kLzmaStreamShorterThanBlock},
      {"output smaller than the stream", lzma, Size(sample) - 100, kLzmaStreamShorterThanBlock},
      {"stream cut short", std::vector<uint8_t>(lzma.begin(), lzma.end() - 8), Size(sample), 6},
      {"fewer than 5 stream bytes", std::vector<uint8_t>(lzma.begin(), lzma.begin() + 9), Size(sample), 6},
      {"properties only", std::vector<uint8_t>(lzma.begin(), lzma.begin() + 5), Size(sample), 6},
      {"fewer than 5 property bytes", {0x5D, 0}, Size(sample), 6},
      {"unsupported properties", bad_properties, Size(sample), 4},
  };
  for (const LzmaRow& row : rows) {
    SCOPED_TRACE(row.what);
    DataPackerLzma packer;
    std::vector<uint8_t> out(row.capacity);
    uint32_t length = row.capacity;
    EXPECT_EQ(packer.Unpack(row.packed.data(), Size(row.packed), out.data(), &length), row.code);
  }
}

TEST(DataPackerLzma, PackWritesLevelFiveProperties) {
  const std::vector<uint8_t> lzma = Packed(kPackerLzma, Sample());
  ASSERT_GE(lzma.size(), 5u);
  // lc 3, lp 0, pb 2 -> 0x5D; dictionary 4 MiB.
  EXPECT_EQ(std::vector<uint8_t>(lzma.begin(), lzma.begin() + 5), (std::vector<uint8_t>{0x5D, 0x00, 0x00, 0x40, 0x00}));
}

TEST(DataPackerLzma, PackNeedsRoomBeyondTheProperties) {
  const std::vector<uint8_t> sample = Sample();
  DataPackerLzma packer;
  std::vector<uint8_t> out(16);
  uint32_t length = 5;
  EXPECT_EQ(packer.Pack(sample.data(), Size(sample), out.data(), &length), kLzmaNoRoomForProperties);
  length = 16;
  EXPECT_EQ(packer.Pack(sample.data(), Size(sample), out.data(), &length), 7) << "the encoder's output overflow";
}

TEST(DataPacker, PackedBoundHoldsIncompressibleData) {
  const std::vector<uint8_t> noise = Random(300 * 1000);
  for (PackerId id : {kPackerZlib, kPackerLzma}) {
    SCOPED_TRACE(id);
    std::unique_ptr<DataPacker> packer = CreatePacker(id);
    uint32_t length = packer->PackedBound(Size(noise));
    std::vector<uint8_t> packed(length);
    ASSERT_EQ(packer->Pack(noise.data(), Size(noise), packed.data(), &length), 0);
    EXPECT_LE(length, packer->PackedBound(Size(noise)));
    std::vector<uint8_t> out(noise.size());
    uint32_t out_length = Size(out);
    ASSERT_EQ(packer->Unpack(packed.data(), length, out.data(), &out_length), 0);
    EXPECT_EQ(out_length, noise.size());
    EXPECT_EQ(out, noise);
  }
}

TEST(DataPacker, PackedBoundFormulas) {
  DataPackerZlib zlib;
  DataPackerLzma lzma;
  EXPECT_EQ(zlib.PackedBound(0), 12u);
  EXPECT_EQ(zlib.PackedBound(1999), 1999u + 1 + 12);
  EXPECT_EQ(lzma.PackedBound(0), 0x4000u);
  EXPECT_EQ(lzma.PackedBound(1000), 1100u + 0x4000);
  // 32-bit arithmetic: n * 11 wraps before the division.
  EXPECT_EQ(lzma.PackedBound(0x20000000u), (0x20000000u * 11u) / 10u + 0x4000u);
}

TEST(PackerTable, MagicsAndIds) {
  EXPECT_EQ(PackerFromMagic(reinterpret_cast<const uint8_t*>(kZlibMagic)), kPackerZlib);
  EXPECT_EQ(PackerFromMagic(reinterpret_cast<const uint8_t*>(kLzmaMagic)), kPackerLzma);
  EXPECT_EQ(PackerMagic(kPackerNone), nullptr);
  EXPECT_EQ(CreatePacker(kPackerNone), nullptr);
}

}  // namespace
}  // namespace krv::sfxarc
