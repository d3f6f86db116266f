// Libraries planted beside a package in a download folder. Whatever system
// library the stub, or a system library it loads, asks for by name, the copy
// beside the package must not be loaded: the stub restricts the library
// search to the system folder before anything loads a library.
//
// Wine prefers its builtin libraries; a per-application DllOverrides value
// "n,b" for each planted name makes it search like Windows does for a library
// that is not a KnownDLL, the application's folder first. Every planted copy
// is the load marker, which leaves "<its path>.loaded" when a process loads it.
//
// The same tests run the x86_64 twin (label e2e) and the shipped 32-bit stub
// (label pe32); KRV_THROUGH_SHIPPED_STUB chooses.
#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "tests/e2e/support/installed_product.h"
#include "tests/e2e/support/package_build.h"
#include "tests/e2e/support/wine_bed.h"

namespace krv::e2e {
namespace {
namespace fs = std::filesystem;

enum class Stub { kTwin, kShipped };
constexpr Stub kStubOfThisProgram = KRV_THROUGH_SHIPPED_STUB ? Stub::kShipped : Stub::kTwin;
constexpr uint32_t kProductMissing = 0xA003;

// Libraries the stub's delay-loaded system libraries, GDI+ and the message
// box and window code load by name, none of them a KnownDLL on Windows (so
// Windows too would search the application's folder for them). Not planted:
// propsys, which Wine 8 alone takes from the application's folder even with
// the search restricted: it resolves a builtin library's delay-loaded imports
// (GDI+ -> windowscodecs -> propsys) with the process's initial search path
// instead of the default directories the process set.
constexpr const char* kPlantedNames[] = {
    "gdiplus", "version",  "uxtheme", "dwmapi",   "cryptbase", "userenv", "winmm",
    "profapi", "comctl32", "msimg32", "wtsapi32", "dbghelp",   "secur32",
};

class PlantedLibraries : public testing::TestWithParam<Stub> {
 protected:
  void SetUp() override {
    std::string test = testing::UnitTest::GetInstance()->current_test_info()->name();
    for (char& c : test)
      if (c == '/') c = '-';
    exe_name_ = "krv-update-" + std::to_string(::getpid()) + ".exe";
    folder_ = bed_.HostPath("C:\\users\\Public\\Downloads\\krv-planted-" + std::to_string(::getpid()) + "-" + test);
    fs::remove_all(folder_);
    fs::create_directories(folder_);
    const bool shipped = GetParam() == Stub::kShipped;
    const std::string marker = shipped ? bed_.ShippedBuildFile("tests/doubles/load_marker.dll")
                                            : bed_.WindowsProgram("tests/doubles/load_marker.dll");
    for (const char* name : kPlantedNames) {
      fs::copy_file(marker, folder_ / (std::string(name) + ".dll"));
      ASSERT_TRUE(bed_.RegAdd(RegView::k64, OverridesKey(), name, "REG_SZ", "n,b")) << name;
    }
    std::ofstream(folder_ / "servers.def") << "[servers]\nVersionType=Release\n";
    package_ = (folder_ / exe_name_).string();
    ASSERT_TRUE(BuildPackage(shipped ? bed_.ShippedStub() : bed_.WindowsProgram("stub/sfxstub.exe"), package_,
                             "/vps_upd:\"%TMPPATH%\"", {(folder_ / "servers.def").string()}));
  }
  void TearDown() override {
    bed_.RegDeleteKey(RegView::k64, "HKCU\\Software\\Wine\\AppDefaults\\" + exe_name_);
    std::error_code ignored;
    fs::remove_all(folder_, ignored);
  }

  std::string OverridesKey() const { return "HKCU\\Software\\Wine\\AppDefaults\\" + exe_name_ + "\\DllOverrides"; }

  // The planted libraries some process loaded.
  std::vector<std::string> LoadedMarkers() const {
    std::vector<std::string> loaded;
    for (const char* name : kPlantedNames)
      if (fs::exists(folder_ / (std::string(name) + ".dll.loaded"))) loaded.push_back(name);
    return loaded;
  }

  WineBed bed_;
  std::string exe_name_;
  fs::path folder_;
  std::string package_;
};

// A whole update with the progress window (GDI+, the animation, the window
// classes) and the updater's window.
TEST_P(PlantedLibraries, WholeUpdateLoadsNoneOfThem) {
  ProductSetup setup;
  setup.behaviour = "exit_code=0\nshow_window=yes\nsignal=yes\ndelay_ms=500\n";
  InstalledProduct product(bed_, setup);
  ProgramResult run = bed_.Run(package_, {}, std::chrono::seconds(120));
  EXPECT_EQ(LoadedMarkers(), std::vector<std::string>{});
  ASSERT_TRUE(run.finished) << run.output;
  EXPECT_EQ(run.exit_code, 0u);
  EXPECT_FALSE(RecordValue(ReadHostFile(product.UpdaterRecord()), "workspace").empty()) << "the updater did not run";
}

// Without the product: the product check and the "not detected" box (the
// message box code and its themes), then the refusal.
TEST_P(PlantedLibraries, RefusalWithItsMessageBoxLoadsNoneOfThem) {
  WineBed::Running stub = bed_.Start(package_, {});
  std::optional<MessageBoxSeen> box = bed_.DismissMessageBox(std::chrono::milliseconds(60000));
  ProgramResult run = stub.Wait(std::chrono::seconds(60));
  EXPECT_EQ(LoadedMarkers(), std::vector<std::string>{});
  ASSERT_TRUE(box.has_value()) << run.output;
  EXPECT_EQ(box->title, "Orvane Antivirus not detected");
  ASSERT_TRUE(run.finished) << run.output;
  EXPECT_EQ(run.exit_code, kProductMissing);
}

INSTANTIATE_TEST_SUITE_P(Stubs, PlantedLibraries, testing::Values(kStubOfThisProgram),
                         [](const testing::TestParamInfo<Stub>& info) {
                           return info.param == Stub::kShipped ? "Shipped32Bit" : "Twin64Bit";
                         });

}  // namespace
}  // namespace krv::e2e
