#include "sfxarc/sfx_arc.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "progress/progress_callback.h"
#include "sfxarc/archive_format.h"
#include "sfxarc/map_writer.h"
#include "tests/sfxarc/extract_test_support.h"
#include "tests/sfxarc/log_capture.h"

namespace krv::sfxarc {
namespace {

using testing::Bytes;
using testing::Content;
using testing::ExtractFixture;
using testing::LastWriteSeconds;
using testing::LogCapture;
using testing::PercentListener;
using testing::ReadAll;
using testing::SpecWith;
using testing::Text;

bool StartsWith(const Bytes& bytes, const std::string& prefix) {
  return bytes.size() >= prefix.size() && std::memcmp(bytes.data(), prefix.data(), prefix.size()) == 0;
}

bool EndsWith(const Bytes& bytes, const std::string& suffix) {
  return bytes.size() >= suffix.size() &&
         std::memcmp(bytes.data() + bytes.size() - suffix.size(), suffix.data(), suffix.size()) == 0;
}

class ExtractAllFilesTest : public ExtractFixture {};

// The messages of the archive's lines, sorted: workers log in any order.
std::vector<std::wstring> SortedMessages(const LogCapture& capture) {
  std::vector<std::wstring> messages;
  for (const auto& line : capture.Lines("sfxarc")) messages.push_back(line.message);
  std::sort(messages.begin(), messages.end());
  return messages;
}

// How each name is written: as stored (the keep-packed names match with
// exactly their case, anywhere in the name) or unpacked. The names differ in
// more than case, as Windows folders do not tell case apart.
struct NameRow {
  const char* name;
  PackerId packer;
  bool stored;
};

TEST_F(ExtractAllFilesTest, KeepPackedNamesAreWrittenAsStoredAndTheRestUnpacked) {
  const NameRow rows[] = {
      {"part-0001.vpx", kPackerLzma, true},      {"zlib-part-9.vpx", kPackerZlib, true},
      {"prod-pgm.vpx", kPackerLzma, true},       {"prod-vps.vpx", kPackerLzma, true},
      {"uat.vpx", kPackerLzma, true},            {"servers.def", kPackerLzma, true},
      {"old-config.def", kPackerLzma, true},     {"Config.def", kPackerLzma, false},
      {"Part-0002.vpx", kPackerLzma, false},     {"Servers.def.old", kPackerLzma, false},
      {"vps_win32-215b.vpx", kPackerLzma, false}, {"defs.zip", kPackerZlib, false},
  };
  std::vector<PackageEntry> entries;
  for (const NameRow& row : rows) entries.push_back({row.name, Content(row.name, 3000), 0, row.packer, ""});
  Load(SpecWith(entries));

  EXPECT_EQ(archive_.ExtractAllFiles(OutFolder(), nullptr), 0u);
  for (size_t i = 0; i < entries.size(); ++i) {
    SCOPED_TRACE(rows[i].name);
    const Bytes written = ReadAll(Output(rows[i].name));
    if (rows[i].stored) {
      // Byte for byte as stored: the packed block and the entry's own
      // signature block behind it.
      EXPECT_EQ(written, Stored(i));
      EXPECT_TRUE(StartsWith(written, rows[i].packer == kPackerLzma ? "KRVsetupFPkgFil3" : "KRVsetupFPkgFile"));
      EXPECT_TRUE(EndsWith(written, "KRVSig2B"));
    } else {
      EXPECT_EQ(written, entries[i].content);
    }
  }
  EXPECT_EQ(OutputNames().size(), entries.size());
}

TEST_F(ExtractAllFilesTest, AnExtraNameAlwaysGetsTheUnpackedContent) {
  const Bytes config = Content("config", 1500);
  const Bytes other = Content("other", 1500);
  Load(SpecWith({{"config.def", config, 0, kPackerLzma, "config-copy.def"},
                 {"vps.vpx", other, 0, kPackerZlib, "vps-copy.vpx"},
                 {"", other, 0, kPackerLzma, "only-extra.vpx"}}));
  EXPECT_EQ(archive_.ExtractAllFiles(OutFolder(), nullptr), 0u);
  EXPECT_EQ(ReadAll(Output("config.def")), Stored(0));
  EXPECT_EQ(ReadAll(Output("config-copy.def")), config);
  EXPECT_EQ(ReadAll(Output("vps.vpx")), other);
  EXPECT_EQ(ReadAll(Output("vps-copy.vpx")), other);
  EXPECT_EQ(ReadAll(Output("only-extra.vpx")), other);
  EXPECT_EQ(OutputNames(), (std::vector<std::string>{"config-copy.def", "config.def", "only-extra.vpx", "vps-copy.vpx",
                                                     "vps.vpx"}));
}

TEST_F(ExtractAllFilesTest, OutputsCarryTheEntryTime) {
  Load(SpecWith({{"new.vpx", Text("new"), 1700000000u, kPackerLzma, ""},
                 {"epoch.vpx", Text("epoch"), 0, kPackerLzma, ""},
                 {"part-epoch.vpx", Text("stored"), 0, kPackerLzma, ""}}));
  EXPECT_EQ(archive_.ExtractAllFiles(OutFolder(), nullptr), 0u);
  EXPECT_EQ(LastWriteSeconds(Output("new.vpx")), 1700000000);
  EXPECT_EQ(LastWriteSeconds(Output("epoch.vpx")), 0);  // 1970-01-01 00:00:00 UTC
  EXPECT_EQ(LastWriteSeconds(Output("part-epoch.vpx")), 0);
}

TEST_F(ExtractAllFilesTest, AnEntryWithoutNamesWritesNothing) {
  Load(SpecWith({{"", Text("no name"), 0, kPackerLzma, ""}, {"a.vpx", Text("a"), 0, kPackerLzma, ""}}));
  EXPECT_EQ(archive_.ExtractAllFiles(OutFolder(), nullptr), 0u);
  EXPECT_EQ(OutputNames(), std::vector<std::string>{"a.vpx"});
}

TEST_F(ExtractAllFilesTest, AFolderThatCannotTakeTheFileFailsWith82AndTheOthersAreStillWritten) {
  Load(SpecWith({{"a.vpx", Text("a"), 0, kPackerLzma, ""},
                 {"missing-folder\\b.vpx", Text("b"), 0, kPackerLzma, ""},
                 {"c.vpx", Text("c"), 0, kPackerLzma, ""}}));
  LogCapture capture;
  EXPECT_EQ(archive_.ExtractAllFiles(OutFolder(), nullptr), 82u);
  const auto lines = capture.Lines("sfxarc");
  ASSERT_EQ(lines.size(), 1u);
  EXPECT_EQ(lines[0].level, "error");
  EXPECT_EQ(lines[0].message, L"Error extracting file 'missing-folder\\b.vpx' (code 0x52)");
  EXPECT_EQ(OutputNames(), (std::vector<std::string>{"a.vpx", "c.vpx"}));
}

TEST_F(ExtractAllFilesTest, AFailedEntryLeavesNoOutputBehind) {
  // The extra file is written first; the name's file then cannot be made,
  // so the extra file goes again.
  Load(SpecWith({{"missing-folder\\b.vpx", Text("b"), 0, kPackerLzma, "b-copy.vpx"},
                 {"a.vpx", Text("a"), 0, kPackerLzma, ""}}));
  EXPECT_EQ(archive_.ExtractAllFiles(OutFolder(), nullptr), 82u);
  EXPECT_EQ(OutputNames(), std::vector<std::string>{"a.vpx"});
}

TEST_F(ExtractAllFilesTest, DamagedOrEmptyContentFailsItsEntry) {
  // Entry 1's packed data is damaged before the package is signed, so the
  // package still loads; entry 2 unpacks to nothing.
  Load(SpecWith({{"a.vpx", Text("a"), 0, kPackerLzma, ""},
                 {"damaged.vpx", Content("damaged", 4000), 0, kPackerZlib, ""},
                 {"empty.vpx", Bytes(), 0, kPackerLzma, ""}}),
       [](Bytes& image, const PackageLayout& layout) {
         for (uint32_t i = 30; i < 60; ++i) image[layout.files[1].offset + i] ^= 0x5A;
       });
  LogCapture capture;
  const uint32_t result = archive_.ExtractAllFiles(OutFolder(), nullptr);
  // Concurrent failures leave one of their codes.
  EXPECT_TRUE(result == 0xA002 || result == 1006) << result;
  const std::vector<std::wstring> messages = SortedMessages(capture);
  EXPECT_EQ(messages, (std::vector<std::wstring>{L"Error extracting file 'damaged.vpx' (code 0xa002)",
                                                  L"Error extracting file 'empty.vpx' (code 0x3ee)"}));
  EXPECT_EQ(OutputNames(), std::vector<std::string>{"a.vpx"});
}

TEST_F(ExtractAllFilesTest, NamesThatLeaveTheFolderFailWith1006AndWriteNothing) {
  Load(SpecWith({{"..\\escaped.vpx", Text("x"), 0, kPackerLzma, ""},
                 {"../escaped-too.vpx", Text("x"), 0, kPackerLzma, ""},
                 {"part-ok.vpx", Text("ok"), 0, kPackerLzma, "..\\escaped-copy.vpx"},
                 {"a.vpx", Text("a"), 0, kPackerLzma, ""}}));
  LogCapture capture;
  EXPECT_EQ(archive_.ExtractAllFiles(OutFolder(), nullptr), 1006u);
  EXPECT_EQ(capture.Lines("sfxarc").size(), 3u);
  EXPECT_EQ(OutputNames(), std::vector<std::string>{"a.vpx"});
  for (const char* escaped : {"escaped.vpx", "escaped-too.vpx", "escaped-copy.vpx"})
    EXPECT_FALSE(std::filesystem::exists(folder_.path() / escaped)) << escaped;
}

TEST_F(ExtractAllFilesTest, DeviceNamesFailWith1006) {
  Load(SpecWith({{"NUL", Text("x"), 0, kPackerLzma, ""},
                 {"com1.vpx", Text("x"), 0, kPackerLzma, ""},
                 {"part-ok.vpx", Text("ok"), 0, kPackerLzma, "CON"},
                 {"a.vpx", Text("a"), 0, kPackerLzma, ""}}));
  LogCapture capture;
  EXPECT_EQ(archive_.ExtractAllFiles(OutFolder(), nullptr), 1006u);
  const std::vector<std::wstring> messages = SortedMessages(capture);
  EXPECT_EQ(messages, (std::vector<std::wstring>{L"Error extracting file 'NUL' (code 0x3ee)",
                                                  L"Error extracting file 'com1.vpx' (code 0x3ee)",
                                                  L"Error extracting file 'part-ok.vpx' (code 0x3ee)"}));
  EXPECT_EQ(OutputNames(), std::vector<std::string>{"a.vpx"});
}

// Where a map points an entry, relative to the content end E. The names are
// kept packed, so whatever would be read there would be written as it is.
struct RangeRow {
  const char* name;
  uint32_t (*offset)(uint32_t e);
  uint32_t (*size)(uint32_t e);
  bool extracted;
};

TEST_F(ExtractAllFilesTest, EntriesOutsideTheSignedContentFailWith1006) {
  const RangeRow rows[] = {
      {"part-last-bytes.vpx", [](uint32_t e) { return e - 16; }, [](uint32_t) { return 16u; }, true},
      {"part-signature.vpx", [](uint32_t e) { return e; }, [](uint32_t) { return 72u; }, false},
      {"part-past-the-end.vpx", [](uint32_t e) { return e + 4096; }, [](uint32_t) { return 16u; }, false},
      {"part-across-the-end.vpx", [](uint32_t e) { return e - 8; }, [](uint32_t) { return 16u; }, false},
      {"part-all-and-one.vpx", [](uint32_t) { return 0u; }, [](uint32_t e) { return e + 1; }, false},
      // The seek's failure value: it must not pass for a position reached.
      {"part-seek-failure.vpx", [](uint32_t) { return 0xFFFFFFFFu; }, [](uint32_t) { return 16u; }, false},
      {"part-seek-failure-empty.vpx", [](uint32_t) { return 0xFFFFFFFFu; }, [](uint32_t) { return 0u; }, false},
      // offset + size wraps around to a small number.
      {"part-wrapping.vpx", [](uint32_t) { return 0xFFFFFF00u; }, [](uint32_t) { return 0x200u; }, false},
  };
  PackageSpec spec = SpecWith({{"a.vpx", Text("a"), 0, kPackerLzma, ""}});
  Bytes image;
  PackageLayout layout;
  ASSERT_EQ(BuildPackage(spec, &image, &layout, nullptr), PackageStatus::kOk);
  // The map's packed size moves E, and the offsets depend on E: repeat
  // until they agree.
  uint32_t e = 0;
  for (int attempt = 0; attempt < 10 && e != layout.content_end; ++attempt) {
    e = layout.content_end;
    MapContent map;
    map.name = spec.name;
    map.command_line = spec.command_line;
    map.files = {layout.files[0]};
    for (const RangeRow& row : rows) map.files.push_back({row.name, row.offset(e), row.size(e), 0, ""});
    spec.raw_map = EncodeMap(map);
    ASSERT_EQ(BuildPackage(spec, &image, &layout, nullptr), PackageStatus::kOk);
  }
  Load(spec);
  ASSERT_EQ(layout_.content_end, e);

  LogCapture capture;
  EXPECT_EQ(archive_.ExtractAllFiles(OutFolder(), nullptr), 1006u);
  const std::vector<std::wstring> messages = SortedMessages(capture);
  std::vector<std::wstring> expected;
  for (const RangeRow& row : rows) {
    const std::string name = row.name;
    if (!row.extracted) expected.push_back(L"Error extracting file '" + std::wstring(name.begin(), name.end()) + L"' (code 0x3ee)");
  }
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(messages, expected);
  EXPECT_EQ(OutputNames(), (std::vector<std::string>{"a.vpx", "part-last-bytes.vpx"}));
  EXPECT_EQ(ReadAll(Output("part-last-bytes.vpx")), Bytes(image_.begin() + e - 16, image_.begin() + e));
}

// Entries naming a 32-byte block inside the stub that declares more content
// than one entry may have. Unpacking it would allocate that much; a name
// kept packed without an extra name does not unpack and is written as it is.
TEST_F(ExtractAllFilesTest, AnEntryDeclaringMoreThanTheEntryLimitFailsWith1006) {
  PackageSpec spec = SpecWith({});
  constexpr uint32_t kBlockInStub = 512;
  Bytes block = Text("KRVsetupFPkgFile");
  for (uint32_t value : {kMaxEntryUnpackedSize + 1, 8u})
    for (int shift = 0; shift < 32; shift += 8) block.push_back(static_cast<uint8_t>(value >> shift));
  block.resize(32, 0);
  std::copy(block.begin(), block.end(), spec.stub.begin() + kBlockInStub);
  MapContent map;
  map.name = spec.name;
  map.command_line = spec.command_line;
  map.files = {{"big.vpx", kBlockInStub, 32, 0, ""},
               {"part-big.vpx", kBlockInStub, 32, 0, ""},
               {"part-big-too.vpx", kBlockInStub, 32, 0, "big-copy.vpx"}};
  spec.raw_map = EncodeMap(map);
  Load(spec);
  LogCapture capture;
  EXPECT_EQ(archive_.ExtractAllFiles(OutFolder(), nullptr), 1006u);
  const std::vector<std::wstring> messages = SortedMessages(capture);
  EXPECT_EQ(messages, (std::vector<std::wstring>{L"Error extracting file 'big.vpx' (code 0x3ee)",
                                                  L"Error extracting file 'part-big-too.vpx' (code 0x3ee)"}));
  EXPECT_EQ(OutputNames(), std::vector<std::string>{"part-big.vpx"});
  EXPECT_EQ(ReadAll(Output("part-big.vpx")), block);
}

// A budget smaller than any entry runs one entry at a time; every entry is
// still extracted and nothing waits for ever.
TEST_F(ExtractAllFilesTest, ABudgetSmallerThanEveryEntryStillExtractsEverything) {
  std::vector<PackageEntry> entries;
  for (int i = 0; i < 12; ++i) {
    const std::string name = (i % 3 == 0 ? "part-" : "vps-") + std::to_string(i) + ".vpx";
    entries.push_back({name, Content(name, 3000 + 100 * i), 0, i % 2 ? kPackerZlib : kPackerLzma, ""});
  }
  Load(SpecWith(entries));
  PercentListener listener;
  progress::ProgressCallback callback;
  callback.AddListener(&listener);
  EXPECT_EQ(archive_.ExtractAllFiles(OutFolder(), &callback, kMaxExtractionWorkers, 1), 0u);
  for (size_t i = 0; i < entries.size(); ++i) {
    SCOPED_TRACE(entries[i].name);
    EXPECT_EQ(ReadAll(Output(entries[i].name)), i % 3 == 0 ? Stored(i) : entries[i].content);
  }
  ASSERT_FALSE(listener.percents.empty());
  EXPECT_EQ(listener.percents.back(), 100u);
}

TEST_F(ExtractAllFilesTest, WithoutEntriesOnlyTheInitialZeroIsReported) {
  Load(SpecWith({}));
  PercentListener listener;
  progress::ProgressCallback callback;
  callback.AddListener(&listener);
  EXPECT_EQ(archive_.ExtractAllFiles(OutFolder(), &callback), 0u);
  EXPECT_EQ(listener.percents, std::vector<uint32_t>{0});
  EXPECT_EQ(callback.GetOverallDone(), 0u);
  EXPECT_TRUE(OutputNames().empty());
}

TEST_F(ExtractAllFilesTest, EveryFinishedEntryIsCountedOnce) {
  // Twelve entries, one failing: twelve reports after the initial 0. Each
  // count comes once, so each gives a new percentage.
  std::vector<PackageEntry> entries;
  for (int i = 0; i < 11; ++i) entries.push_back({"e" + std::to_string(i) + ".vpx", Content("e", 5000), 0, kPackerLzma, ""});
  entries.push_back({"missing-folder\\f.vpx", Text("f"), 0, kPackerLzma, ""});  // failures count too
  Load(SpecWith(entries));
  PercentListener listener;
  progress::ProgressCallback callback;
  callback.AddListener(&listener);
  EXPECT_EQ(archive_.ExtractAllFiles(OutFolder(), &callback), 82u);
  ASSERT_EQ(listener.percents.size(), 13u);
  std::vector<uint32_t> expected;
  for (uint64_t done = 0; done <= 12; ++done) expected.push_back(static_cast<uint32_t>(done * 100 / 12));
  EXPECT_EQ(listener.percents, expected);
  EXPECT_EQ(callback.GetOverallDone(), 12u);
}

TEST_F(ExtractAllFilesTest, ReportsNeverGoBackSoTheLastIsTheTotal) {
  // Many small entries finish nearly together, and a slow listener makes
  // their workers queue for the callback: a count taken before another
  // worker's later one must not be reported after it, or the last report,
  // the one a reader of the published percentage keeps, is below 100.
  std::vector<PackageEntry> entries;
  for (int i = 0; i < 80; ++i) entries.push_back({"s" + std::to_string(i) + ".vpx", Text("s"), 0, kPackerLzma, ""});
  Load(SpecWith(entries));
  for (int round = 0; round < 5; ++round) {
    SCOPED_TRACE(round);
    PercentListener listener;
    listener.pause = std::chrono::microseconds(500);
    progress::ProgressCallback callback;
    callback.AddListener(&listener);
    EXPECT_EQ(archive_.ExtractAllFiles(OutFolder(), &callback), 0u);
    ASSERT_FALSE(listener.percents.empty());
    EXPECT_TRUE(std::is_sorted(listener.percents.begin(), listener.percents.end()));
    EXPECT_EQ(listener.percents.back(), 100u);
  }
}

TEST_F(ExtractAllFilesTest, FourEntriesReportEachQuarterOnce) {
  std::vector<PackageEntry> entries;
  for (int i = 0; i < 4; ++i) entries.push_back({"q" + std::to_string(i) + ".vpx", Text("q"), 0, kPackerLzma, ""});
  Load(SpecWith(entries));
  PercentListener listener;
  progress::ProgressCallback callback;
  callback.AddListener(&listener);
  EXPECT_EQ(archive_.ExtractAllFiles(OutFolder(), &callback), 0u);
  std::vector<uint32_t> sorted = listener.percents;
  std::sort(sorted.begin(), sorted.end());
  EXPECT_EQ(sorted, (std::vector<uint32_t>{0, 25, 50, 75, 100}));
}

TEST_F(ExtractAllFilesTest, ACancellationRequestDoesNotStopExtraction) {
  std::vector<PackageEntry> entries;
  for (int i = 0; i < 6; ++i) entries.push_back({"c" + std::to_string(i) + ".vpx", Text("c"), 0, kPackerLzma, ""});
  Load(SpecWith(entries));
  PercentListener listener;
  listener.cancel = true;  // as after Esc in the progress window
  progress::ProgressCallback callback;
  callback.AddListener(&listener);
  EXPECT_EQ(archive_.ExtractAllFiles(OutFolder(), &callback), 0u);
  EXPECT_TRUE(callback.SetOverallDone(6));  // the flag stays set
  EXPECT_EQ(OutputNames().size(), 6u);
}

TEST_F(ExtractAllFilesTest, ManyEntriesAndASecondExtraction) {
  std::vector<PackageEntry> entries;
  for (int i = 0; i < 60; ++i)
    entries.push_back({"m" + std::to_string(i) + (i % 3 == 0 ? "-part-.vpx" : ".vpx"), Content(std::to_string(i), 700 + i),
                       0, i % 2 ? kPackerZlib : kPackerLzma, ""});
  Load(SpecWith(entries));
  for (int round = 0; round < 2; ++round) {
    SCOPED_TRACE(round);
    EXPECT_EQ(archive_.ExtractAllFiles(OutFolder(), nullptr), 0u);
    for (size_t i = 0; i < entries.size(); ++i) {
      const Bytes written = ReadAll(Output(entries[i].name));
      EXPECT_EQ(written, i % 3 == 0 ? Stored(i) : entries[i].content) << entries[i].name;
    }
    std::filesystem::remove_all(out());
    std::filesystem::create_directories(out());
  }
}

}  // namespace
}  // namespace krv::sfxarc
