#pragma once
// An installed product in the Wine prefix, as the end-to-end tests need it:
// the product's registry key, its folders and the updater stand-in.

#include <cstdint>
#include <string>

#include "tests/e2e/support/wine_bed.h"

namespace krv::e2e {

struct ProductSetup {
  RegView view = RegView::k32;
  // "SOFTWARE\ORVANE Software\Orvane" for Orvane, "SOFTWARE\KESTIL\Antivirus" for Kestil.
  std::string key = "SOFTWARE\\ORVANE Software\\Orvane";
  std::string program_folder = "C:\\Program Files\\Orvane";
  // Written as a REG_DWORD "SetupVersion" unless 0.
  uint32_t setup_version = 2024;
  // Lines of the stand-in's behaviour file (see tests/doubles/behaviour_file.h).
  std::string behaviour = "exit_code=0\n";
};

// Registers the product, makes its folders and puts the updater stand-in
// into "<program folder>\setup". The destructor removes the key (both views)
// and the stand-in's files, so other tests see no product.
class InstalledProduct {
 public:
  InstalledProduct(const WineBed& bed, ProductSetup setup);
  ~InstalledProduct();
  InstalledProduct(const InstalledProduct&) = delete;
  InstalledProduct& operator=(const InstalledProduct&) = delete;

  // Host path of the stand-in's record of its last run; empty when it did not run.
  std::string UpdaterRecord() const;
  std::string SetupFolderHostPath() const;

 private:
  const WineBed& bed_;
  ProductSetup setup_;
};

// The value after "<key>: " on the first line that has it, else empty.
std::string RecordValue(const std::string& record, const std::string& key);

// Runs `package` and expects the stub to refuse the installed updater as too
// old: the "Old program version" box naming `product_name` (dismissed here),
// then the stub's end. Returns how the stub ended.
ProgramResult RunRefusedAsTooOld(const WineBed& bed, const std::string& package, const std::string& product_name);

}  // namespace krv::e2e
