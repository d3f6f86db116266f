// A whole update: a signed package made by sfxtool, run under Wine beside an
// installed product whose updater is the stand-in.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <regex>
#include <set>

#include "tests/e2e/support/installed_product.h"
#include "tests/e2e/support/package_build.h"
#include "tests/e2e/support/wine_bed.h"

namespace krv::e2e {
namespace {
namespace fs = std::filesystem;

constexpr uint32_t kEntryTime = 1700000000;  // 2023-11-14 22:13:20 UTC

std::string Sfxtool() { return std::string(KRV_NATIVE_BIN_DIR) + "/tools/sfxtool"; }

int Shell(const std::string& command) { return std::system(command.c_str()); }

std::string Quote(const std::string& s) { return "'" + s + "'"; }

// A package of the twin stub with the entries of a real update: packages the
// updater takes as stored, side files it takes unpacked.
class UpdateTest : public testing::Test {
 protected:
  void SetUp() override {
    work_ = fs::temp_directory_path() / ("krv-update-" + std::to_string(::getpid()) + "-" +
                                         testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(work_);
    fs::create_directories(work_ / "payload");
    std::mt19937 random(7);
    for (const auto& [name, size] : std::vector<std::pair<std::string, size_t>>{
             {"vps_win32-215b.vpx", 300000}, {"part-0001.vpx", 120000}, {"servers.def", 900}, {"Config.def", 400}}) {
      std::string bytes(size, '\0');
      // Compressible but not trivial content.
      for (char& c : bytes) c = static_cast<char>('a' + random() % 6);
      std::ofstream(work_ / "payload" / name, std::ios::binary) << bytes;
    }
  }
  void TearDown() override { fs::remove_all(work_); }

  std::string Build(const std::string& template_text, const std::string& stub) {
    std::string package = (work_ / "update.exe").string();
    std::vector<std::string> files;
    for (const char* name : {"vps_win32-215b.vpx", "part-0001.vpx", "servers.def", "Config.def"})
      files.push_back((work_ / "payload" / name).string());
    EXPECT_TRUE(BuildPackage(stub, package, template_text, files, kEntryTime)) << package;
    return package;
  }

  // name -> "size TAB sha256" of sfxtool's own extraction of the package.
  std::map<std::string, std::string> NativeListing(const std::string& package) {
    fs::path out = work_ / "native";
    EXPECT_EQ(Shell(Sfxtool() + " extract " + Quote(package) + " " + Quote(out.string()) + " >/dev/null 2>&1"), 0);
    std::map<std::string, std::string> listing;
    for (const auto& entry : fs::directory_iterator(out)) {
      std::string sum;
      FILE* p = popen(("sha256sum " + Quote(entry.path().string())).c_str(), "r");
      char line[256] = {};
      if (p && fgets(line, sizeof line, p)) sum = std::string(line).substr(0, 64);
      if (p) pclose(p);
      listing[entry.path().filename().string()] = std::to_string(fs::file_size(entry.path())) + "\t" + sum;
    }
    return listing;
  }

  // Host path of the Orvane product's update log.
  std::string UpdateLog() const {
    return bed_.HostPath("C:\\ProgramData\\ORVANE Software\\Persistent Data\\Orvane\\Logs\\Update.log");
  }

  fs::path work_;
  WineBed bed_;
};

// The whole update through the x86_64 twin and through the shipped 32-bit
// stub.
enum class Stub { kTwin, kShipped };

class WholeUpdateTest : public UpdateTest, public testing::WithParamInterface<Stub> {
 protected:
  std::string StubUnderTest() const {
    return GetParam() == Stub::kShipped ? bed_.ShippedStub() : bed_.WindowsProgram("stub/sfxstub.exe");
  }
  void SkipWhereTheStubCannotRun() {
    if (GetParam() == Stub::kShipped && WineBed::Emulates32Bit())
      GTEST_SKIP() << "32-bit code runs under qemu-i386 here, whose signal frames carry no trap number for Wine's "
                      "fault handler: the emulated stub dies once its worker threads start";
  }
};

TEST_P(WholeUpdateTest, RunsTheUpdaterOnTheExtractedWorkspaceAndReturnsItsExitCode) {
  SkipWhereTheStubCannotRun();
  if (IsSkipped()) return;
  ProductSetup setup;
  setup.behaviour = "exit_code=0x80000000\nsignal=no\n";
  InstalledProduct product(bed_, setup);
  const std::string package = Build("/vps_upd:\"%TMPPATH%\"", StubUnderTest());

  ProgramResult run = bed_.Run(package, {"/silent", "/x"}, std::chrono::seconds(120));
  ASSERT_TRUE(run.finished) << run.output;
  // The updater's own exit code is passed on unchanged.
  EXPECT_EQ(run.exit_code, 0x80000000u);

  const std::string record = ReadHostFile(product.UpdaterRecord());
  ASSERT_FALSE(record.empty()) << "the updater did not run";
  const std::string workspace = RecordValue(record, "workspace");
  EXPECT_TRUE(std::regex_search(workspace, std::regex(R"(\\_ov_pkr\.tm~a\d{5}$)"))) << workspace;
  // The template with the workspace put in, then the stub's own tail.
  EXPECT_EQ(RecordValue(record, "command_line"),
            "\"C:\\Program Files\\Orvane\\setup\\pkgrun.exe\" /vps_upd:\"" + workspace + "\" /silent /x");

  // What the updater found is what sfxtool extracts natively, with the
  // entries' time; the updater's packages are stored, the side files unpacked.
  std::map<std::string, std::string> expected = NativeListing(package);
  std::set<std::string> seen;
  std::istringstream lines(record);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("file: ", 0) != 0) continue;
    std::istringstream fields(line.substr(6));
    std::string name, size, sha, time;
    std::getline(fields, name, '\t');
    std::getline(fields, size, '\t');
    std::getline(fields, sha, '\t');
    std::getline(fields, time, '\t');
    SCOPED_TRACE(name);
    EXPECT_EQ(size + "\t" + sha, expected[name]);
    EXPECT_EQ(time, "2023-11-14 22:13:20.000");
    seen.insert(name);
  }
  EXPECT_EQ(seen, (std::set<std::string>{"Config.def", "part-0001.vpx", "servers.def", "vps_win32-215b.vpx"}));
  EXPECT_EQ(expected["vps_win32-215b.vpx"].substr(0, 7), "300000\t");
  EXPECT_EQ(expected["Config.def"].substr(0, 4), "400\t");

  // The workspace is gone when the stub has ended.
  EXPECT_FALSE(fs::exists(bed_.HostPath(workspace))) << workspace;
  // The last progress report is published for other processes.
  EXPECT_NE(bed_.RegQuery(RegView::k64, "HKCR\\OrvanePersistentStorage", "KaldorProgress").find("0x64"),
            std::string::npos);
}

TEST_P(WholeUpdateTest, LoaderNamesTheSystemFolderAliasWhileTheStubReadsItsOwnFile) {
  SkipWhereTheStubCannotRun();
  if (IsSkipped()) return;
  InstalledProduct product(bed_, ProductSetup{});
  const std::string package = Build("/vps_upd:\"%TMPPATH%\"", StubUnderTest());
  ProgramResult run = bed_.Run(package, {"/silent"}, std::chrono::seconds(120));
  ASSERT_TRUE(run.finished) << run.output;
  // The update completed from the package's own file ...
  EXPECT_EQ(run.exit_code, 0u);
  EXPECT_FALSE(ReadHostFile(product.UpdaterRecord()).empty());
  // ... while the loader reported the executable under its alias.
  std::string parent = RecordValue(ReadHostFile(product.SetupFolderHostPath() + "/pkgrun-parent.txt"), "parent_image");
  for (char& c : parent) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  EXPECT_EQ(parent, "c:\\windows\\system32\\b86362a5.exe");
}

INSTANTIATE_TEST_SUITE_P(Stubs, WholeUpdateTest, testing::Values(Stub::kTwin, Stub::kShipped),
                         [](const testing::TestParamInfo<Stub>& info) {
                           return info.param == Stub::kShipped ? "Shipped32Bit" : "Twin64Bit";
                         });

TEST_F(UpdateTest, LogsTheRunIntoTheProductsUpdateLog) {
  ProductSetup setup;
  setup.behaviour = "exit_code=0x80000000\n";
  InstalledProduct product(bed_, setup);
  const std::string package = Build("/vps_upd:\"%TMPPATH%\"", bed_.WindowsProgram("stub/sfxstub.exe"));
  const std::string log = UpdateLog();
  const size_t before = fs::exists(log) ? fs::file_size(log) : 0;

  ProgramResult run = bed_.Run(package, {"/silent"}, std::chrono::seconds(120));
  ASSERT_TRUE(run.finished) << run.output;
  std::string text = ReadHostFile(log).substr(before);
  for (const char* line :
       {"] [kaldor     ] ", "Entering Orvane VPS SFX stub guarded code section.", "SFX archive '",
        "Starting installer/updater executable 'C:\\Program Files\\Orvane\\setup\\pkgrun.exe'",
        "Installer/updater executable 'C:\\Program Files\\Orvane\\setup\\pkgrun.exe' finished (process return code "
        "0x80000000)",
        "Leaving Orvane SFX stub guarded code section (return code 0x80000000)",
        " END: Orvane SFX stub executable, return code -2147483648 (0x80000000)"})
    EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
  EXPECT_TRUE(std::regex_search(text, std::regex(R"(\d{4}/\d\d/\d\d \d\d:\d\d:\d\dSTART: Orvane SFX stub executable)")));
}

TEST_F(UpdateTest, ArchiveErrorBoxIsOwnedByTheProgressWindow) {
  InstalledProduct product(bed_, ProductSetup{});
  // The bare stub carries no archive: the product checks pass, the progress
  // window comes up, and the load for extraction fails.
  WineBed::Running stub = bed_.Start(bed_.WindowsProgram("stub/sfxstub.exe"), {});
  std::optional<MessageBoxSeen> box = bed_.DismissMessageBox(std::chrono::milliseconds(30000));
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->title, "Stub error");
  EXPECT_EQ(box->text, "Cannot open SFX archive. Installer cannot continue.");
  EXPECT_EQ(box->owner_class, "orvaneSfxProgressClass");
  ProgramResult run = stub.Wait(std::chrono::seconds(60));
  ASSERT_TRUE(run.finished) << run.output;
  EXPECT_EQ(run.exit_code, 1006u);
  // The updater ran at most without a workspace (to write its missing
  // setup state), never on one.
  EXPECT_EQ(RecordValue(ReadHostFile(product.UpdaterRecord()), "workspace"), "");
}

TEST_F(UpdateTest, AChecksumSignedPackageIsRefusedAsUnsigned) {
  InstalledProduct product(bed_, ProductSetup{});
  // A signed package whose file signature is replaced by a text checksum
  // over the same content: an MD5 anyone could have computed.
  const std::string package = Build("/vps_upd:\"%TMPPATH%\"", bed_.WindowsProgram("stub/sfxstub.exe"));
  fs::resize_file(package, fs::file_size(package) - 72);
  ASSERT_EQ(Shell(Sfxtool() + " sign " + Quote(package) + " --form 2 >/dev/null 2>&1"), 0);
  const std::string log = UpdateLog();
  const size_t before = fs::exists(log) ? fs::file_size(log) : 0;

  ProgramResult run = bed_.Run(package, {"/silent"}, std::chrono::seconds(120));
  ASSERT_TRUE(run.finished) << run.output;
  EXPECT_EQ(run.exit_code, 1006u);
  EXPECT_NE(ReadHostFile(log).substr(before).find("Error in signature of archive '"), std::string::npos);
  EXPECT_EQ(RecordValue(ReadHostFile(product.UpdaterRecord()), "workspace"), "");
}

TEST_F(UpdateTest, TooOldUpdaterIsRefusedBeforeAnythingIsExtracted) {
  ProductSetup setup;
  setup.setup_version = 1995;
  InstalledProduct product(bed_, setup);
  const std::string package = Build("/vps_upd:\"%TMPPATH%\"", bed_.WindowsProgram("stub/sfxstub.exe"));
  const ProgramResult run = RunRefusedAsTooOld(bed_, package, "Orvane Antivirus");
  EXPECT_EQ(run.exit_code, 0xA003u);
  EXPECT_TRUE(ReadHostFile(product.UpdaterRecord()).empty());
}

TEST_F(UpdateTest, KestilTemplateSelectsTheKestilBrand) {
  // Under the Kestil brand the Orvane key is not looked at: the product
  // registered there is "not detected".
  InstalledProduct product(bed_, ProductSetup{});
  const std::string package =
      Build("/is_kestil_product /vps_upd:\"%TMPPATH%\"", bed_.WindowsProgram("stub/sfxstub.exe"));
  WineBed::Running stub = bed_.Start(package, {});
  std::optional<MessageBoxSeen> box = bed_.DismissMessageBox(std::chrono::milliseconds(30000));
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->title, "KESTIL Antivirus not detected");
  ProgramResult run = stub.Wait(std::chrono::seconds(60));
  ASSERT_TRUE(run.finished) << run.output;
  EXPECT_EQ(run.exit_code, 0xA003u);
}

}  // namespace
}  // namespace krv::e2e
