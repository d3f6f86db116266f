// An exception from below the flow ends the run with the stub's own code
// (0xA0F0), logged, and without leaving a workspace behind. Made for real: another
// process fills the window station's global atom table (any local process
// can), so the class that publishes the brand's process-local storage
// cannot be registered and storing the brand raises.
//
// While the table is full no other program of the prefix can register a
// window class: CTest runs this test alone (RUN_SERIAL).
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>
#include <vector>

#include "tests/e2e/support/wine_bed.h"

namespace krv::e2e {
namespace {

namespace fs = std::filesystem;

// The workspaces ("_ov_pkr.tm~a#####") in the prefix's temporary folders.
std::set<std::string> Workspaces(const WineBed& bed) {
  std::set<std::string> found;
  const fs::path drive = fs::path(bed.prefix()) / "drive_c";
  for (const fs::path& folder : {drive / "windows/temp", drive / "users"}) {
    std::error_code error;
    for (auto it = fs::recursive_directory_iterator(folder, error); !error && it != fs::recursive_directory_iterator();
         it.increment(error)) {
      if (it->path().filename().string().rfind("_ov_pkr.tm~", 0) != 0) continue;
      found.insert(it->path().string());
      it.disable_recursion_pending();
    }
  }
  return found;
}

// Through the x86_64 twin and through the shipped 32-bit stub (where the
// host runs 32-bit code natively: under qemu a 32-bit process takes about a
// minute to start).
TEST(StubException, ABrandThatCannotBeStoredEndsTheRunWithTheInternalErrorCode) {
  WineBed bed;
  const std::string log =
      bed.HostPath("C:\\ProgramData\\ORVANE Software\\Persistent Data\\Orvane\\Logs\\Update.log");
  std::vector<std::string> stubs = {bed.WindowsProgram("stub/sfxstub.exe")};
  if (!WineBed::Emulates32Bit()) stubs.push_back(bed.ShippedStub());
  for (const std::string& stub : stubs) {
    SCOPED_TRACE(stub);
    const size_t before = fs::exists(log) ? fs::file_size(log) : 0;
    const std::set<std::string> workspaces_before = Workspaces(bed);

    ProgramResult run = bed.Run(bed.WindowsProgram("tests/winebed/wintool.exe"),
                                {"atomsfull", "60000", WindowsPathOf(stub), "/silent"}, std::chrono::seconds(120));
    ASSERT_TRUE(run.finished) << run.output;
    EXPECT_NE(run.output.find("finished: yes"), std::string::npos) << run.output;
    EXPECT_NE(run.output.find("exit-code: 0x0000a0f0"), std::string::npos) << run.output;

    const std::string text = ReadHostFile(log).substr(before);
    for (const char* line : {"Unexpected exception in the update: Exception: Cannot publish the process-local storage",
                             "Leaving Orvane SFX stub guarded code section (return code 0xa0f0)",
                             " END: Orvane SFX stub executable, return code 41200 (0x0000a0f0)"})
      EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
    EXPECT_EQ(Workspaces(bed), workspaces_before) << "a workspace was left behind";
  }
}

}  // namespace
}  // namespace krv::e2e
