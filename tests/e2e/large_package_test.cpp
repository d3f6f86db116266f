// A package of 1.5 GiB, verified and run by the 32-bit programs: the shipped
// PE32 stub and the PE32 sfxtool.exe have no address space for a view or a
// copy of such a file, so they must hash it in windows. The bulk is an
// extra-data block written as a hole (no disk writes), signed like any
// content. Opt-in (label "large"): it reads 1.5 GiB several times.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "tests/e2e/support/installed_product.h"
#include "tests/e2e/support/wine_bed.h"

namespace krv::e2e {
namespace {
namespace fs = std::filesystem;

constexpr uint64_t kExtraData = uint64_t(1536) << 20;  // 1.5 GiB
constexpr uint64_t kFileSignature = 72;

std::string Sfxtool() { return std::string(KRV_NATIVE_BIN_DIR) + "/tools/sfxtool"; }
std::string Quote(const std::string& s) { return "'" + s + "'"; }
int Shell(const std::string& command) { return std::system(command.c_str()); }

class LargePackageTest : public testing::Test {
 protected:
  void SetUp() override {
    work_ = fs::temp_directory_path() / ("krv-large-" + std::to_string(::getpid()));
    fs::remove_all(work_);
    fs::create_directories(work_);
    std::ofstream(work_ / "Config.def", std::ios::binary) << "[config]\nkey=value\n";
  }
  void TearDown() override { fs::remove_all(work_); }

  // The package sfxtool builds around `stub`, its file signature replaced by
  // a 1.5 GiB extra-data block (a hole, then its length and "EDAT") and a
  // new form 5 signature over all of it.
  std::string Build(const std::string& stub) {
    const std::string package = (work_ / "large.exe").string();
    EXPECT_EQ(Shell(Sfxtool() + " build --stub " + Quote(stub) + " --out " + Quote(package) + " --time 1700000000 " +
                    Quote((work_ / "Config.def").string()) + " >/dev/null 2>&1"),
              0);
    const uint64_t archive = fs::file_size(package) - kFileSignature;
    fs::resize_file(package, archive + kExtraData);
    {
      std::ofstream out(package, std::ios::binary | std::ios::app);
      const char footer[8] = {char(kExtraData), char(kExtraData >> 8), char(kExtraData >> 16),
                              char(kExtraData >> 24), 'E', 'D', 'A', 'T'};
      out.write(footer, sizeof footer);
    }
    EXPECT_EQ(Shell(Sfxtool() + " sign " + Quote(package) + " --form 5 >/dev/null 2>&1"), 0);
    EXPECT_GT(fs::file_size(package), kExtraData);
    return package;
  }

  fs::path work_;
  WineBed bed_;
};

TEST_F(LargePackageTest, ThirtyTwoBitSfxtoolVerifiesIt) {
  std::string windows_path = "Z:" + Build(bed_.ShippedStub());  // Wine's drive for the host's root
  for (char& c : windows_path) c = c == '/' ? '\\' : c;
  const ProgramResult run = bed_.Run(std::string(KRV_WINDOWS32_BIN_DIR) + "/tools/sfxtool.exe",
                                     {"verify", windows_path}, std::chrono::seconds(600));
  ASSERT_TRUE(run.finished) << run.output;
  EXPECT_EQ(run.exit_code, 0u) << run.output;
  EXPECT_NE(run.output.find("verified: yes"), std::string::npos) << run.output;
}

TEST_F(LargePackageTest, ShippedStubRunsTheUpdate) {
  if (WineBed::Emulates32Bit()) GTEST_SKIP() << "32-bit code runs under qemu-i386 here (see update_test.cpp)";
  ProductSetup setup;
  setup.behaviour = "exit_code=7\nsignal=no\n";
  InstalledProduct product(bed_, setup);
  const std::string package = Build(bed_.ShippedStub());

  ProgramResult run = bed_.Run(package, {"/silent"}, std::chrono::seconds(600));
  ASSERT_TRUE(run.finished) << run.output;
  EXPECT_EQ(run.exit_code, 7u) << "the updater's exit code, once the archive verified and extracted";
  const std::string record = ReadHostFile(product.UpdaterRecord());
  EXPECT_NE(record.find("file: Config.def\t"), std::string::npos) << record;
}

}  // namespace
}  // namespace krv::e2e
