// A package that carries an Authenticode signature beside ours, made the way
// the release engineer makes it (sfxtool authenticode-size, sfxtool build
// --authenticode-reserve, osslsigncode sign), runs a whole update through
// the shipped 32-bit stub.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "tests/e2e/support/installed_product.h"
#include "tests/e2e/support/sfxtool_run.h"
#include "tests/e2e/support/wine_bed.h"
#include "tests/sfxarc/signature_test_support.h"

namespace krv::e2e {
namespace {
namespace fs = std::filesystem;

TEST(AuthenticodeSignedPackage, RunsAWholeUpdateThroughTheShippedStub) {
  if (WineBed::Emulates32Bit()) {
    GTEST_SKIP() << "32-bit code runs under qemu-i386 here, where the shipped stub's worker threads die";
  }
  WineBed bed;
  const fs::path work = fs::temp_directory_path() / ("krv-authenticode-" + std::to_string(::getpid()));
  fs::remove_all(work);
  fs::create_directories(work);
  std::ofstream(work / "servers.def") << "[servers]\nVersionType=Release\n";
  std::ofstream(work / "vps_win32-215b.vpx") << std::string(50000, 'v');
  const std::string dir = work.string();
  // The certificate and key of the trial; the dry run signs with the same.
  fs::copy_file(bed.ShippedStub(), work / "stub.exe");
  ASSERT_EQ(krv::signature::testing::AuthenticodeSign(dir, "stub.exe", "trial.exe"), 0);
  const std::string size_file = dir + "/size.txt";
  ASSERT_EQ(RunSfxtool({"authenticode-size", "--cert", dir + "/cert.pem", "--key", dir + "/key.pem",
                        bed.ShippedStub()},
                       size_file),
            0);
  std::string size = ReadHostFile(size_file);
  size = size.substr(0, size.find('\n'));
  ASSERT_EQ(RunSfxtool({"build", "--stub", bed.ShippedStub(), "--out", dir + "/update.exe", "--authenticode-reserve",
                        size, (work / "vps_win32-215b.vpx").string(), (work / "servers.def").string()}),
            0);
  ASSERT_EQ(krv::signature::testing::AuthenticodeSign(dir, "update.exe", "update-signed.exe"), 0);
  EXPECT_EQ(std::system(("osslsigncode verify -CAfile " + Quote(dir + "/cert.pem") + " -in " +
                         Quote(dir + "/update-signed.exe") + " >/dev/null 2>&1")
                            .c_str()),
            0);
  EXPECT_EQ(RunSfxtool({"verify", dir + "/update-signed.exe"}), 0);

  ProductSetup setup;
  setup.behaviour = "exit_code=7\n";
  InstalledProduct product(bed, setup);
  const ProgramResult run = bed.Run(dir + "/update-signed.exe", {"/silent"}, std::chrono::seconds(120));
  ASSERT_TRUE(run.finished) << run.output;
  EXPECT_EQ(run.exit_code, 7u);
  const std::string record = ReadHostFile(product.UpdaterRecord());
  const std::string workspace = RecordValue(record, "workspace");
  ASSERT_FALSE(workspace.empty()) << record;
  EXPECT_NE(record.find("file: vps_win32-215b.vpx\t50000\t"), std::string::npos) << record;
  EXPECT_NE(record.find("file: servers.def\t"), std::string::npos) << record;
  EXPECT_FALSE(fs::exists(bed.HostPath(workspace)));
  fs::remove_all(work);
}

}  // namespace
}  // namespace krv::e2e
