#include "sfxarc/sfx_arc.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "progress/progress_callback.h"
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
  std::vector<std::wstring> messages;
  for (const auto& line : capture.Lines("sfxarc")) messages.push_back(line.message);
  std::sort(messages.begin(), messages.end());
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
