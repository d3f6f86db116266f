#include <gtest/gtest.h>

#include <filesystem>
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
  // The package writer stores names the build command refuses.
  sfxarc::PackageSpec spec = sfxarc::testing::SpecWith({{"..\\escape.vpx", Text("x"), 0, sfxarc::kPackerLzma, ""}});
  Bytes image;
  ASSERT_EQ(sfxarc::BuildPackage(spec, &image, nullptr, nullptr), sfxarc::PackageStatus::kOk);
  ASSERT_EQ(sfxarc::AppendFileSignature(&image, krv::signature::SignatureForm::kRawV2,
                                        krv::signature::testing::DevKeys(), 0, nullptr),
            sfxarc::PackageStatus::kOk);
  const std::string package = Write("escape.exe", image);
  const Outcome outcome = Tool({"extract", package, Path("out")});
  EXPECT_EQ(outcome.code, 255);
  EXPECT_TRUE(Contains(outcome.err, "failed with code 0x3ee (1006)")) << outcome.err;
  EXPECT_FALSE(std::filesystem::exists(folder_.path() / "escape.vpx"));
}

}  // namespace
}  // namespace krv::tools
