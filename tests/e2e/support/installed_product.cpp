#include "tests/e2e/support/installed_product.h"

#include <filesystem>
#include <fstream>

#include <gtest/gtest.h>

namespace krv::e2e {
namespace fs = std::filesystem;

InstalledProduct::InstalledProduct(const WineBed& bed, ProductSetup setup) : bed_(bed), setup_(std::move(setup)) {
  const std::string key = "HKLM\\" + setup_.key;
  const std::string data_folder = setup_.program_folder + "\\data";
  fs::create_directories(bed_.HostPath(data_folder));
  fs::create_directories(SetupFolderHostPath());
  fs::copy_file(bed_.WindowsProgram("tests/doubles/pkgrun.exe"), SetupFolderHostPath() + "/pkgrun.exe",
                fs::copy_options::overwrite_existing);
  std::ofstream(SetupFolderHostPath() + "/pkgrun-behaviour.txt") << setup_.behaviour;
  fs::remove(UpdaterRecord());
  bed_.RegAdd(setup_.view, key, "ProgramFolder", "REG_SZ", setup_.program_folder);
  bed_.RegAdd(setup_.view, key, "DataFolder", "REG_SZ", data_folder);
  if (setup_.setup_version)
    bed_.RegAdd(setup_.view, key, "SetupVersion", "REG_DWORD", std::to_string(setup_.setup_version));
}

InstalledProduct::~InstalledProduct() {
  bed_.RegDeleteKey(RegView::k32, "HKLM\\" + setup_.key);
  bed_.RegDeleteKey(RegView::k64, "HKLM\\" + setup_.key);
  std::error_code ignored;
  fs::remove_all(bed_.HostPath(setup_.program_folder), ignored);
}

std::string InstalledProduct::SetupFolderHostPath() const { return bed_.HostPath(setup_.program_folder + "\\setup"); }

std::string InstalledProduct::UpdaterRecord() const { return SetupFolderHostPath() + "/pkgrun-record.txt"; }

std::string RecordValue(const std::string& record, const std::string& key) {
  const std::string text = "\n" + record;
  const std::string head = "\n" + key + ": ";
  size_t at = text.find(head);
  if (at == std::string::npos) return {};
  at += head.size();
  return text.substr(at, text.find('\n', at) - at);
}

ProgramResult RunRefusedAsTooOld(const WineBed& bed, const std::string& package, const std::string& product_name) {
  WineBed::Running stub = bed.Start(package, {});
  std::optional<MessageBoxSeen> box = bed.DismissMessageBox(std::chrono::milliseconds(30000));
  EXPECT_TRUE(box.has_value()) << "no message box";
  if (box) {
    EXPECT_EQ(box->title, "Old program version");
    EXPECT_EQ(box->text, "This installer cannot continue because installed " + product_name +
                             " is too old. Program version must be greater than 1995.");
  }
  ProgramResult run = stub.Wait(std::chrono::seconds(60));
  EXPECT_TRUE(run.finished) << run.output;
  return run;
}

}  // namespace krv::e2e
