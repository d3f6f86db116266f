#pragma once
// Finds the installed product in the registry.

#include <cstdint>
#include <string>

namespace krv::product {

constexpr uint32_t kSetupVersionAbsent = 0xFFFFFFFF;

struct InstalledProduct {
  std::wstring ProgramFolder;
  std::wstring DataFolder;
  // Holds the installer/updater; from the registry, else ProgramFolder + "setup".
  std::wstring SetupFolder;
  // Build number of the installer/updater; kSetupVersionAbsent when unknown.
  uint32_t SetupVersion = kSetupVersionAbsent;
  std::wstring VLBProgramFolder;
  std::wstring Version;
};

// True when the product's keys were found; `out` is written only then.
bool LocateInstalledProduct(InstalledProduct* out);

}  // namespace krv::product
