// Finding the installed product, through the stub: the updater's presence
// and build number, the registry views and both brands' names in boxes and
// log lines.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>

#include "tests/e2e/support/installed_product.h"
#include "tests/e2e/support/package_build.h"
#include "tests/e2e/support/wine_bed.h"

namespace krv::e2e {
namespace {
namespace fs = std::filesystem;

constexpr uint32_t kProductMissing = 0xA003;

class ProductDiscovery : public testing::Test {
 protected:
  void SetUp() override {
    work_ = fs::temp_directory_path() / ("krv-discovery-" + std::to_string(::getpid()) + "-" +
                                         testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(work_);
    fs::create_directories(work_);
    std::ofstream(work_ / "servers.def") << "[servers]\nVersionType=Release\n";
  }
  void TearDown() override { fs::remove_all(work_); }

  // A package of the twin stub with one side file and the given template.
  std::string Package(const std::string& template_text) {
    const std::string package = (work_ / "update.exe").string();
    EXPECT_TRUE(BuildPackage(bed_.WindowsProgram("stub/sfxstub.exe"), package, template_text,
                             {(work_ / "servers.def").string()}))
        << package;
    return package;
  }

  std::string LogTail(const std::string& windows_log, size_t from) {
    return ReadHostFile(bed_.HostPath(windows_log)).substr(from);
  }
  size_t LogSize(const std::string& windows_log) {
    const std::string host = bed_.HostPath(windows_log);
    return fs::exists(host) ? fs::file_size(host) : 0;
  }

  fs::path work_;
  WineBed bed_;
};

const char kOrvaneLog[] = "C:\\ProgramData\\ORVANE Software\\Persistent Data\\Orvane\\Logs\\Update.log";
const char kKestilLog[] = "C:\\ProgramData\\KESTIL\\Persistent Data\\Antivirus\\Logs\\Update.log";

TEST_F(ProductDiscovery, MissingUpdaterIsRefusedAsTooOld) {
  InstalledProduct product(bed_, ProductSetup{});
  fs::remove(product.SetupFolderHostPath() + "/pkgrun.exe");
  const std::string package = Package("/vps_upd:\"%TMPPATH%\"");
  const size_t before = LogSize(kOrvaneLog);
  const ProgramResult run = RunRefusedAsTooOld(bed_, package, "Orvane Antivirus");
  EXPECT_EQ(run.exit_code, kProductMissing);
  const std::string log = LogTail(kOrvaneLog, before);
  EXPECT_NE(log.find("Orvane Antivirus setup 'C:\\Program Files\\Orvane\\setup\\pkgrun.exe' was not found. Stub "
                     "cannot continue."),
            std::string::npos)
      << log;
  EXPECT_EQ(log.find("Cannot open SFX archive"), std::string::npos) << "nothing after the refusal";
}

TEST_F(ProductDiscovery, KestilNamesInTheBoxAndTheKestilLog) {
  ProductSetup setup;
  setup.key = "SOFTWARE\\KESTIL\\Antivirus";
  setup.program_folder = "C:\\Program Files\\KESTIL";
  setup.setup_version = 1995;
  InstalledProduct product(bed_, setup);
  const std::string package = Package("/is_kestil_product /vps_upd:\"%TMPPATH%\"");
  const size_t before = LogSize(kKestilLog);
  const ProgramResult run = RunRefusedAsTooOld(bed_, package, "KESTIL Antivirus");
  EXPECT_EQ(run.exit_code, kProductMissing);
  EXPECT_NE(LogTail(kKestilLog, before)
                .find("KESTIL Antivirus setup 'C:\\Program Files\\KESTIL\\setup\\pkgrun.exe' was not found."),
            std::string::npos);
}

TEST_F(ProductDiscovery, WithoutAnArchiveTheBrandFallsBackToOrvane) {
  ProductSetup setup;
  setup.key = "SOFTWARE\\KESTIL\\Antivirus";
  setup.program_folder = "C:\\Program Files\\KESTIL";
  InstalledProduct product(bed_, setup);
  WineBed::Running stub = bed_.Start(bed_.WindowsProgram("stub/sfxstub.exe"), {});
  std::optional<MessageBoxSeen> box = bed_.DismissMessageBox(std::chrono::milliseconds(30000));
  ASSERT_TRUE(box.has_value());
  EXPECT_EQ(box->title, "Orvane Antivirus not detected");
  ProgramResult run = stub.Wait(std::chrono::seconds(60));
  ASSERT_TRUE(run.finished) << run.output;
  EXPECT_EQ(run.exit_code, kProductMissing);
}

TEST_F(ProductDiscovery, BuildNumbersThatPassAndThe64BitView) {
  struct Case {
    const char* name;
    uint32_t setup_version;  // 0: no value
    RegView view;
  };
  const Case cases[] = {{"build 1996", 1996, RegView::k32},
                        {"no build number", 0, RegView::k32},
                        {"registered in the 64-bit view only", 2024, RegView::k64}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ProductSetup setup;
    setup.setup_version = c.setup_version;
    setup.view = c.view;
    setup.behaviour = "exit_code=5\nsignal=no\n";
    InstalledProduct product(bed_, setup);
    const std::string package = Package("/vps_upd:\"%TMPPATH%\"");
    ProgramResult run = bed_.Run(package, {"/silent"}, std::chrono::seconds(120));
    ASSERT_TRUE(run.finished) << run.output;
    EXPECT_EQ(run.exit_code, 5u) << "the updater ran and its code came back";
    EXPECT_FALSE(ReadHostFile(product.UpdaterRecord()).empty());
  }
}

// The title of the stub's progress window while the updater runs; nullopt
// when no progress window showed up.
std::optional<std::string> ProgressWindowTitle(const WineBed& bed) {
  const std::string prefix = "window: orvaneSfxProgressClass|";
  for (int attempt = 0; attempt < 100; ++attempt) {
    const ProgramResult listing =
        bed.Run(bed.WindowsProgram("tests/winebed/wintool.exe"), {"windows"}, std::chrono::seconds(30));
    const size_t at = listing.output.find(prefix);
    if (at != std::string::npos) {
      const size_t begin = at + prefix.size();
      return listing.output.substr(begin, listing.output.find('|', begin) - begin);
    }
  }
  return std::nullopt;
}

TEST_F(ProductDiscovery, ProgressTitleFromTheProductsEdition) {
  struct Case {
    const char* name;
    bool kestil;
    const char* setup_ini;  // null: no setup file (the updater run makes none)
    const char* title;
    const char* locale = nullptr;  // LC_ALL of the stub's Wine; null: the tests' own
  };
  // Wine's user language here is 1033, which the edition table has no name
  // for: the default-language name is taken. Under a French locale Wine's
  // user language is 1036.
  const Case cases[] = {
      {"Kestil edition 15", true, "[Common]\r\nEdition=15\r\n", "KESTIL Free Antivirus"},
      {"edition missing from the table", false, "[Common]\r\nEdition=99\r\n", ""},
      {"no setup file", false, nullptr, ""},
      {"French user, edition with a French name", false, "[Common]\r\nEdition=1\r\n", "Orvane Antivirus Gratuit",
       "fr_FR.UTF-8"},
      {"French user, edition without one", false, "[Common]\r\nEdition=2\r\n", "Orvane Pro Antivirus",
       "fr_FR.UTF-8"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ProductSetup setup;
    if (c.kestil) {
      setup.key = "SOFTWARE\\KESTIL\\Antivirus";
      setup.program_folder = "C:\\Program Files\\KESTIL";
    }
    // The updater keeps running, without signalling, while the window shows.
    setup.behaviour = "exit_code=0\nsignal=no\ndelay_ms=3000\n";
    InstalledProduct product(bed_, setup);
    if (c.setup_ini != nullptr) std::ofstream(product.SetupFolderHostPath() + "/setup.ini") << c.setup_ini;
    const std::string package =
        Package(c.kestil ? "/is_kestil_product /vps_upd:\"%TMPPATH%\"" : "/vps_upd:\"%TMPPATH%\"");
    std::map<std::string, std::string> env;
    if (c.locale != nullptr) env["LC_ALL"] = c.locale;
    WineBed::Running stub = bed_.Start(package, {}, env);
    const std::optional<std::string> title = ProgressWindowTitle(bed_);
    ProgramResult run = stub.Wait(std::chrono::seconds(120));
    ASSERT_TRUE(run.finished) << run.output;
    EXPECT_EQ(run.exit_code, 0u);
    ASSERT_TRUE(title.has_value()) << "no progress window";
    EXPECT_EQ(*title, c.title);
  }
}

}  // namespace
}  // namespace krv::e2e
