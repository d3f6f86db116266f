#pragma once
// Finds the installed product in the registry (Windows code).

#include <cstdint>
#include <string>

namespace krv::product {

constexpr uint32_t kSetupVersionAbsent = 0xFFFFFFFF;

struct InstalledProduct {
  // As stored in the registry (not normalised).
  std::wstring ProgramFolder;
  // As stored; empty for the product 4.0 key layout, which has none.
  std::wstring DataFolder;
  // Holds the installer/updater; from the registry, else ProgramFolder
  // joined with "setup".
  std::wstring SetupFolder;
  // Build number of the installer/updater; kSetupVersionAbsent when the value
  // is missing or not a 4-byte REG_DWORD.
  uint32_t SetupVersion = kSetupVersionAbsent;
  // The browser product's program folder; empty when absent.
  std::wstring VLBProgramFolder;
  // The product's version text; empty when absent.
  std::wstring Version;
};

// Looks for the product's keys below HKEY_LOCAL_MACHINE, first in the
// process's default registry view (the 32-bit one), then in the 64-bit view;
// within a view the product's key (GetAvRegistrySubkey) and, under the
// Orvane brand only, the older "Software\Maplor Software\Orvane" layouts. The
// first key that holds both a program folder and a data folder wins. Returns
// true and fills `out`; false, with `out` unchanged, when no key matches.
// The thread's last error tells how "SetupVersion" was read: 0 taken, 13
// (ERROR_INVALID_DATA) another type or size, else the read's own error.
// Raises what GetBrandInfo raises when no brand record is available.
bool LocateInstalledProduct(InstalledProduct* out);

}  // namespace krv::product
