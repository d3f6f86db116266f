#pragma once
// Folders derived from the brand (Windows code).

#include <string>

#include "product/brand.h"

namespace krv::product {

// "<common application data>\<CompanyKeyName>\Persistent Data\<ProductKeyName>":
// the folder below which the update log lives.
std::wstring GetPersistentDataFolder();

// The same folder for the names of `record` (its company and product key
// names), without the brand's process-wide storage: for the log, which must
// open even when that storage cannot be had.
std::wstring PersistentDataFolderOf(const branding::BrandInfo& record);

// The data folder of the record of slot 0 when it has one, else
// "<common application data>\<CompanyKeyName>\<ProductKeyName>".
std::wstring GetProductDataFolder();

// The value "DataFolder" of GetBrowserRegistryKey in the 32-bit registry
// view; when it cannot be read,
// "<common application data>\<CompanyKeyName>\Velbrowser".
std::wstring GetBrowserDataFolder();

// The common application-data folder (CSIDL_COMMON_APPDATA); the shell's
// answer, else the registry's "Common AppData" shell folder; empty when
// neither is available.
std::wstring CommonAppDataFolder();

}  // namespace krv::product
