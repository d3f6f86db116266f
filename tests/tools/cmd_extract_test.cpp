#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "sfxarc/package_writer.h"
#include "sfxarc/retrying_delete.h"
#include "tests/sfxarc/extract_test_support.h"
#include "tests/sfxarc/temp_folder.h"
#include "tests/tools/tool_outcome.h"
#include "tools/sfxtool.h"

namespace krv::tools {
namespace {

using krv::sfxarc::testing::Bytes;
using krv::sfxarc::testing::ReadAll;
using krv::sfxarc::testing::TempFolder;
using krv::sfxarc::testing::Text;
using krv::tools::testing::Outcome;
using krv::tools::testing::Tool;

bool Contains(const std::string& text, const std::string& part) { return text.find(part) != std::string::npos; }

class ExtractCommandTest : public ::testing::Test {
 protected:
  void SetUp() override {
    stub_ = Write("stub.bin", Bytes(4096, 0x90));
    vpx_ = Write("vps_win32-215b.vpx", Text(std::string(20000, 'v') + "end"));
    part_ = Write("part-0001.vpx", Text("packed update part"));
    const Outcome built = Tool({"build", "--stub", stub_, "--out", Path("pkg.exe"), "--time", "1700000000", vpx_, part_});
    ASSERT_EQ(built.code, kExitOk) << built.err;
  }

  std::string Write(const std::string& name, const Bytes& content) {
    folder_.Write(std::wstring(name.begin(), name.end()), content);
    return Path(name);
  }
  std::string Path(const std::string& name) const { return (folder_.path() / name).string(); }

  // The package of `spec`, signed with the development keys, written to
  // `name` in the folder; its path. The package writer stores names the
  // build command refuses.
  std::string WritePackage(const std::string& name, const sfxarc::PackageSpec& spec) {
    Bytes image;
    EXPECT_EQ(sfxarc::BuildPackage(spec, &image, nullptr, nullptr), sfxarc::PackageStatus::kOk);
    EXPECT_EQ(sfxarc::AppendFileSignature(&image, krv::signature::SignatureForm::kRawV2,
                                          krv::signature::testing::DevKeys(), 0, nullptr),
              sfxarc::PackageStatus::kOk);
    return Write(name, image);
  }

  TempFolder folder_;
  std::string stub_, vpx_, part_;
};

TEST_F(ExtractCommandTest, ExtractsIntoAFolderItCreates) {
  const std::string target = Path("new/nested/dir");
  const Outcome extracted = Tool({"extract", Path("pkg.exe"), target});
  ASSERT_EQ(extracted.code, kExitOk) << extracted.err;
  EXPECT_EQ(ReadAll(std::filesystem::path(target) / "vps_win32-215b.vpx"), ReadAll(vpx_));
  const Bytes part = ReadAll(std::filesystem::path(target) / "part-0001.vpx");
  EXPECT_EQ(std::string(part.begin(), part.begin() + 16), "KRVsetupFPkgFil3") << "written as stored";
  EXPECT_TRUE(Contains(extracted.out, "extracted 2 entries into " + target + " (1 unpacked, 1 as stored) in "))
      << extracted.out;
  // Not a terminal, no --progress: no bar.
  EXPECT_FALSE(Contains(extracted.out, "\r")) << extracted.out;
}

TEST_F(ExtractCommandTest, DrawsTheBarWhenAsked) {
  const Outcome extracted = Tool({"extract", Path("pkg.exe"), Path("out"), "--progress", "--jobs", "1"});
  ASSERT_EQ(extracted.code, kExitOk) << extracted.err;
  EXPECT_TRUE(Contains(extracted.out, "\r[" + std::string(40, '-') + "]   0%")) << extracted.out;
  EXPECT_TRUE(Contains(extracted.out, "\r[" + std::string(20, '#') + std::string(20, '-') + "]  50%"))
      << extracted.out;
  EXPECT_TRUE(Contains(extracted.out, "\r[" + std::string(40, '#') + "] 100%\nextracted 2 entries")) << extracted.out;
}

TEST_F(ExtractCommandTest, BadCommandLinesAreUsageErrors) {
  const std::vector<std::vector<std::string>> rows = {
      {"extract"},
      {"extract", Path("pkg.exe")},
      {"extract", Path("pkg.exe"), Path("out"), "more"},
      {"extract", Path("pkg.exe"), Path("out"), "--jobs", "0"},
      {"extract", Path("pkg.exe"), Path("out"), "--jobs", "51"},
      {"extract", Path("pkg.exe"), Path("out"), "--jobs", "many"},
      {"extract", Path("pkg.exe"), Path("out"), "--fast"},
  };
  for (const auto& row : rows) {
    const Outcome outcome = Tool(row);
    EXPECT_EQ(outcome.code, kExitUsage) << row.size() << " " << row.back();
    EXPECT_TRUE(Contains(outcome.err, "sfxtool extract: ")) << outcome.err;
  }
  EXPECT_FALSE(std::filesystem::exists(Path("out")));
  const Outcome help = Tool({"extract", "--help"});
  EXPECT_EQ(help.code, kExitOk);
  EXPECT_TRUE(Contains(help.out, "usage: sfxtool extract PKG DIR [--jobs N]"));
}

TEST_F(ExtractCommandTest, APackageThatDoesNotLoadEndsWith5) {
  const Outcome outcome = Tool({"extract", stub_, Path("out")});
  EXPECT_EQ(outcome.code, kExitFailed);
  EXPECT_TRUE(Contains(outcome.err, "cannot load " + stub_ + " (code 0x3ee)")) << outcome.err;
  EXPECT_FALSE(std::filesystem::exists(Path("out")));
}

TEST_F(ExtractCommandTest, AFolderThatCannotBeCreatedEndsWith4) {
  const Outcome outcome = Tool({"extract", Path("pkg.exe"), Path("stub.bin") + "/below-a-file"});
  EXPECT_EQ(outcome.code, kExitCannotWrite) << outcome.err;
}

TEST_F(ExtractCommandTest, AFailedEntryEndsWithItsCode) {
  // A folder where the file should go: it cannot be created (82). The
  // removal of the failed output retries; the pauses are skipped.
  const sfxarc::ScopedRetrySleep no_pause([](uint32_t) {});
  std::filesystem::create_directories(Path("out") + "/vps_win32-215b.vpx/inside");
  const Outcome outcome = Tool({"extract", Path("pkg.exe"), Path("out")});
  EXPECT_EQ(outcome.code, 82);
  EXPECT_TRUE(Contains(outcome.err, "failed with code 0x52 (82)")) << outcome.err;
  EXPECT_TRUE(std::filesystem::exists(Path("out") + "/part-0001.vpx")) << "the other entry is still extracted";
}

TEST_F(ExtractCommandTest, ResultCodesBeyondEightBitsEndWith255) {
  const std::string package = WritePackage(
      "escape.exe", sfxarc::testing::SpecWith({{"..\\escape.vpx", Text("x"), 0, sfxarc::kPackerLzma, ""}}));
  const Outcome outcome = Tool({"extract", package, Path("out")});
  EXPECT_EQ(outcome.code, 255);
  EXPECT_TRUE(Contains(outcome.err, "failed with code 0x3ee (1006)")) << outcome.err;
  EXPECT_FALSE(std::filesystem::exists(folder_.path() / "escape.vpx"));
}

// Something planted in DIR, before extraction, at an entry's name: a
// symbolic link to a file outside DIR, a dangling one, or a hard link. The
// extraction replaces the entry in DIR and never writes through it.
struct PlantRow {
  const char* what;
  void (*plant)(const std::filesystem::path& at, const std::filesystem::path& outside);
  bool outside_exists_after;
};

TEST_F(ExtractCommandTest, WritesNothingThroughLinksPlantedInTheFolder) {
  namespace fs = std::filesystem;
  const PlantRow rows[] = {
      {"symbolic link to a file outside",
       [](const fs::path& at, const fs::path& outside) {
         std::ofstream(outside) << "precious";
         fs::create_symlink(outside, at);
       },
       true},
      {"dangling symbolic link",
       [](const fs::path& at, const fs::path& outside) { fs::create_symlink(outside, at); }, false},
      {"hard link to a file outside",
       [](const fs::path& at, const fs::path& outside) {
         std::ofstream(outside) << "precious";
         fs::create_hard_link(outside, at);
       },
       true},
  };
  int n = 0;
  for (const PlantRow& row : rows) {
    SCOPED_TRACE(row.what);
    const fs::path target = Path("planted-" + std::to_string(++n));
    const fs::path outside = Path("outside-" + std::to_string(n));
    fs::create_directories(target);
    for (const char* name : {"vps_win32-215b.vpx", "part-0001.vpx"}) row.plant(target / name, outside.string() + name);
    const Outcome extracted = Tool({"extract", Path("pkg.exe"), target.string()});
    EXPECT_EQ(extracted.code, kExitOk) << extracted.err;
    for (const char* name : {"vps_win32-215b.vpx", "part-0001.vpx"}) {
      SCOPED_TRACE(name);
      EXPECT_FALSE(fs::is_symlink(target / name));
      EXPECT_EQ(fs::hard_link_count(target / name), 1u);
      const fs::path planted_target = outside.string() + name;
      EXPECT_EQ(fs::exists(planted_target), row.outside_exists_after);
      if (row.outside_exists_after) {
        EXPECT_EQ(ReadAll(planted_target), Text("precious"));
      }
    }
    EXPECT_EQ(ReadAll(target / "vps_win32-215b.vpx"), ReadAll(vpx_));
  }
}

// A folder of an entry's name planted in DIR as a link to a folder outside:
// the entry fails with 82 and nothing is written, or removed, out there.
TEST_F(ExtractCommandTest, WritesNothingThroughAFolderLinkPlantedInTheFolder) {
  namespace fs = std::filesystem;
  const std::string package = WritePackage(
      "defs.exe", sfxarc::testing::SpecWith({{"defs\\krvdefs.ini", Text("[defs]"), 0, sfxarc::kPackerLzma, ""},
                                             {"a.vpx", Text("a"), 0, sfxarc::kPackerLzma, "defs/copy.vpx"}}));
  const fs::path outside = Path("outside");
  fs::create_directories(outside);
  std::ofstream(outside / "krvdefs.ini") << "precious";
  fs::create_directories(Path("out"));
  fs::create_directory_symlink(outside, Path("out") + "/defs");
  const Outcome outcome = Tool({"extract", package, Path("out")});
  EXPECT_EQ(outcome.code, 82);
  EXPECT_EQ(ReadAll(outside / "krvdefs.ini"), Text("precious"));
  EXPECT_FALSE(fs::exists(outside / "copy.vpx"));
  EXPECT_FALSE(fs::exists(Path("out") + "/a.vpx")) << "the entry whose extra name leads out fails whole";
}

}  // namespace
}  // namespace krv::tools
