// Every failure of the main flow that a user can meet, made real and run
// through the real stub under Wine: the message box (title, text, owner)
// without /silent and none with it, the exit code, the log lines, and no
// workspace left behind. The workspace lies on a Wine drive of its own (a
// tmpfs mounted for the test), so that a full disk is a real one.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

#include "tests/e2e/support/installed_product.h"
#include "tests/e2e/support/sfxtool_run.h"
#include "tests/e2e/support/small_drive.h"
#include "tests/e2e/support/wine_bed.h"

namespace krv::e2e {
namespace {
namespace fs = std::filesystem;

constexpr char kLog[] = "C:\\ProgramData\\ORVANE Software\\Persistent Data\\Orvane\\Logs\\Update.log";
constexpr char kUpdater[] = "C:\\Program Files\\Orvane\\setup\\pkgrun.exe";
constexpr char kProgressWindowClass[] = "orvaneSfxProgressClass";
constexpr char kDrive = 'k';
// Room for every workspace here, and room for none: the update's largest
// entry (300,000 bytes that do not compress) does not fit in 64 KiB.
constexpr size_t kRoomyKiB = 16 * 1024;
constexpr size_t kFullKiB = 64;

enum class Fault {
  kNoProduct,           // nothing registered
  kUpdaterTooOld,       // SetupVersion 1995
  kDamagedArchive,      // one byte of an entry changed: the signature fails
  kWorkspaceDriveFull,  // TEMP on a drive without room for the entries
  kUpdaterIsAFolder,    // "pkgrun.exe" is a folder: it counts as present but cannot be started
  kUpdaterIsNoProgram,  // "pkgrun.exe" is a file that is no program
};

struct Row {
  const char* what;
  Fault fault;
  const char* title;
  const char* text;
  bool owned_by_progress_window;
  uint32_t exit_code;
  std::vector<std::string> log_lines;  // each found in the run's part of the log
};

const std::vector<Row>& Rows() {
  static const std::vector<Row> rows = {
      {"product not found", Fault::kNoProduct, "Orvane Antivirus not detected",
       "Orvane Antivirus was not detected to be installed on this machine. This installer cannot continue.", false,
       0xA003, {"Orvane Antivirus is not installed. Stub cannot continue."}},
      {"updater too old", Fault::kUpdaterTooOld, "Old program version",
       "This installer cannot continue because installed Orvane Antivirus is too old. Program version must be "
       "greater than 1995.",
       false, 0xA003, {std::string("Orvane Antivirus setup '") + kUpdater + "' was not found. Stub cannot continue."}},
      {"archive damaged", Fault::kDamagedArchive, "Stub error", "Cannot open SFX archive. Installer cannot continue.",
       true, 1006, {"Error in signature of archive '", "Cannot open SFX archive (code 0x3ee)"}},
      {"extraction fails on a full drive", Fault::kWorkspaceDriveFull, "Stub error",
       "Cannot extract VPX files. Installer cannot continue.", true, 82,
       {"Error extracting file 'vps_win32-215b.vpx' (code 0x52)", "Cannot extract VPX files to 'K:\\_ov_pkr.tm~a",
        "' (code 0x52)"}},
      // The system's code is passed on: Wine's CreateProcessW answers 6 for a
      // folder (Windows answers 5).
      {"updater is a folder", Fault::kUpdaterIsAFolder, "Installer error", "Cannot run installer/updater executable.",
       true, 6,
       {std::string("Error creating process '") + kUpdater + "' (code 0x6)",
        std::string("Cannot run installer/updater executable '") + kUpdater + "' (code 0x6)"}},
      {"updater is no program", Fault::kUpdaterIsNoProgram, "Installer error",
       "Cannot run installer/updater executable.", true, 193,
       {std::string("Error creating process '") + kUpdater + "' (code 0xc1)",
        std::string("Cannot run installer/updater executable '") + kUpdater + "' (code 0xc1)"}},
  };
  return rows;
}

std::string EndLine(uint32_t code) {
  char line[96];
  std::snprintf(line, sizeof line, " END: Orvane SFX stub executable, return code %d (0x%08x)",
                static_cast<int>(code), code);
  return line;
}

enum class Stub { kTwin, kShipped };

class FailureTest : public testing::TestWithParam<Stub> {
 protected:
  void SetUp() override {
    if (GetParam() == Stub::kShipped && WineBed::Emulates32Bit()) {
      GTEST_SKIP() << "32-bit code runs under qemu-i386 here, where the shipped stub's worker threads die";
    }
    work_ = fs::temp_directory_path() / ("krv-failures-" + std::to_string(::getpid()));
    fs::remove_all(work_);
    fs::create_directories(work_);
    std::mt19937 random(11);
    std::string bytes(300000, '\0');
    for (char& c : bytes) c = static_cast<char>(random());
    std::ofstream(work_ / "vps_win32-215b.vpx", std::ios::binary) << bytes;
    std::ofstream(work_ / "servers.def", std::ios::binary) << "[servers]\nVersionType=Release\n";
    const std::string stub =
        GetParam() == Stub::kShipped ? bed_.ShippedStub() : bed_.WindowsProgram("stub/sfxstub.exe");
    package_ = (work_ / "update.exe").string();
    ASSERT_EQ(RunSfxtool({"build", "--stub", stub, "--out", package_, "--time", "1700000000",
                          (work_ / "vps_win32-215b.vpx").string(), (work_ / "servers.def").string()}),
              0);
    damaged_ = (work_ / "damaged.exe").string();
    fs::copy_file(package_, damaged_);
    std::fstream file(damaged_, std::ios::binary | std::ios::in | std::ios::out);
    file.seekp(static_cast<std::streamoff>(fs::file_size(stub) + 1000));
    file.put('\x5a');
  }
  void TearDown() override { fs::remove_all(work_); }

  fs::path work_;
  std::string package_, damaged_;
  WineBed bed_;
};

TEST_P(FailureTest, EveryFailureRowOfTheMainFlow) {
  for (const Row& row : Rows()) {
    for (const bool silent : {false, true}) {
      SCOPED_TRACE(std::string(row.what) + (silent ? ", /silent" : ""));
      SmallDrive drive(bed_, kDrive, row.fault == Fault::kWorkspaceDriveFull ? kFullKiB : kRoomyKiB);
      if (!drive.mounted()) GTEST_SKIP() << "cannot mount a tmpfs here (the test needs root)";
      std::optional<InstalledProduct> product;
      if (row.fault != Fault::kNoProduct) {
        ProductSetup setup;
        if (row.fault == Fault::kUpdaterTooOld) setup.setup_version = 1995;
        product.emplace(bed_, setup);
        const std::string updater = product->SetupFolderHostPath() + "/pkgrun.exe";
        if (row.fault == Fault::kUpdaterIsAFolder) {
          fs::remove(updater);
          fs::create_directory(updater);
        } else if (row.fault == Fault::kUpdaterIsNoProgram) {
          std::ofstream(updater, std::ios::binary | std::ios::trunc) << "this is no program\n";
        }
      }
      const std::string log = bed_.HostPath(kLog);
      const size_t before = fs::exists(log) ? fs::file_size(log) : 0;

      WineBed::Running stub =
          bed_.Start(row.fault == Fault::kDamagedArchive ? damaged_ : package_,
                     silent ? std::vector<std::string>{"/silent"} : std::vector<std::string>{}, {},
                     {{"TEMP", drive.root()}, {"TMP", drive.root()}});
      if (!silent) {
        const std::optional<MessageBoxSeen> box = bed_.DismissMessageBox(std::chrono::milliseconds(60000));
        ASSERT_TRUE(box.has_value()) << "no message box";
        EXPECT_EQ(box->title, row.title);
        EXPECT_EQ(box->text, row.text);
        EXPECT_EQ(box->owner_class, row.owned_by_progress_window ? kProgressWindowClass : "");
      }
      // With /silent a box would block the stub until the time-out.
      const ProgramResult run = stub.Wait(std::chrono::seconds(120));
      ASSERT_TRUE(run.finished) << run.output;
      EXPECT_EQ(run.exit_code, row.exit_code);

      const std::string text = ReadHostFile(log).substr(before);
      std::vector<std::string> lines = row.log_lines;
      lines.push_back(EndLine(row.exit_code));
      for (const std::string& line : lines) EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;

      // No workspace is left on the drive, and the updater never ran on one.
      for (const auto& entry : fs::directory_iterator(drive.host_path())) {
        EXPECT_NE(entry.path().filename().string().rfind("_ov_pkr.tm~", 0), 0u) << entry.path();
      }
      if (product) {
        EXPECT_EQ(RecordValue(ReadHostFile(product->UpdaterRecord()), "workspace"), "");
      }
    }
  }
}

// With /debug the workspace stays until the next restart: every file and the
// folder are queued for deletion then, a file that another process holds
// open included, and the log says so for each.
TEST_P(FailureTest, DebugQueuesTheWorkspaceWithAHeldFileForRestart) {
  const std::string session_manager = "HKLM\\System\\CurrentControlSet\\Control\\Session Manager";
  bed_.RegDeleteValue(RegView::k64, session_manager, "PendingFileRenameOperations");
  ProductSetup setup;
  setup.behaviour = "exit_code=0\nhold_ms=20000\n";
  InstalledProduct product(bed_, setup);
  const std::string log = bed_.HostPath(kLog);
  const size_t before = fs::exists(log) ? fs::file_size(log) : 0;

  const ProgramResult run = bed_.Run(package_, {"/debug", "/silent"}, std::chrono::seconds(120));
  ASSERT_TRUE(run.finished) << run.output;
  EXPECT_EQ(run.exit_code, 0u);
  const std::string workspace = RecordValue(ReadHostFile(product.UpdaterRecord()), "workspace");
  ASSERT_FALSE(workspace.empty());
  std::string held = RecordValue(ReadHostFile(product.SetupFolderHostPath() + "/pkgrun-holding.txt"), "held");
  ASSERT_EQ(held.rfind(workspace + "\\", 0), 0u) << held;
  ASSERT_EQ(held.find("cannot open"), std::string::npos) << held;

  // Read back before anything restarts the Wine server, which would carry
  // the operations out.
  const std::string pending = bed_.RegQuery(RegView::k64, session_manager, "PendingFileRenameOperations");
  bed_.RegDeleteValue(RegView::k64, session_manager, "PendingFileRenameOperations");
  EXPECT_NE(pending.find("\\??\\" + held), std::string::npos) << pending;
  EXPECT_NE(pending.find("\\??\\" + workspace + "\\servers.def"), std::string::npos) << pending;
  // The folder, with its trailing backslash, then `reg`'s separator "\0".
  EXPECT_NE(pending.find("\\??\\" + workspace + "\\\\0"), std::string::npos) << pending;

  // Everything is still there until the restart.
  EXPECT_TRUE(fs::exists(bed_.HostPath(held)));
  EXPECT_TRUE(fs::exists(bed_.HostPath(workspace + "\\servers.def")));

  const std::string text = ReadHostFile(log).substr(before);
  for (const std::string& path : {held, workspace + "\\servers.def", workspace + "\\"}) {
    const std::string line = "OpOnReboot: MoveFileEx('" + path + "') successfully performed.";
    EXPECT_NE(text.find(line), std::string::npos) << line << "\n" << text;
  }
  fs::remove_all(bed_.HostPath(workspace));
}

INSTANTIATE_TEST_SUITE_P(Stubs, FailureTest, testing::Values(Stub::kTwin, Stub::kShipped),
                         [](const testing::TestParamInfo<Stub>& info) {
                           return info.param == Stub::kShipped ? "Shipped32Bit" : "Twin64Bit";
                         });

}  // namespace
}  // namespace krv::e2e
