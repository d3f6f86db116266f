#pragma once
// Folders derived from the brand.

#include <string>

namespace krv::product {

// "<common application data>\<CompanyKeyName>\Persistent Data\<ProductKeyName>":
// the folder below which the update log lives.
std::wstring GetPersistentDataFolder();

// The common application-data folder (CSIDL_COMMON_APPDATA); the shell's
// answer, else the registry's "Common AppData" shell folder; empty when
// neither is available. Platform-specific.
std::wstring CommonAppDataFolder();

}  // namespace krv::product
