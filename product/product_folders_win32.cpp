#include <windows.h>

#include "product/brand.h"
#include "product/brand_names.h"
#include "product/product_folders.h"
#include "product/product_keys.h"
#include "runtime/registry_helpers.h"

namespace krv::product {
namespace {

std::wstring PersistentDataFolderFor(const std::wstring& company_key, const std::wstring& product_key) {
  return CommonAppDataFolder() + L"\\" + company_key + L"\\Persistent Data\\" + product_key;
}

}  // namespace

std::wstring GetPersistentDataFolder() {
  return PersistentDataFolderFor(branding::CompanyKeyName(), branding::ProductKeyName());
}

std::wstring PersistentDataFolderOf(const branding::BrandInfo& record) {
  return PersistentDataFolderFor(record.company_key_name ? record.company_key_name : L"",
                                 record.product_key_name ? record.product_key_name : L"");
}

std::wstring GetProductDataFolder() {
  const branding::BrandInfo record = branding::GetBrandInfo(branding::BrandingPlsName::pkgrun);
  if (record.data_folder) return *record.data_folder;
  return CommonAppDataFolder() + L"\\" + branding::CompanyKeyName() + L"\\" + branding::ProductKeyName();
}

std::wstring GetBrowserDataFolder() {
  std::wstring folder;
  if (os::read_machine_string(GetBrowserRegistryKey().c_str(), L"DataFolder", KEY_WOW64_32KEY, &folder) ==
      ERROR_SUCCESS)
    return folder;
  return CommonAppDataFolder() + L"\\" + branding::CompanyKeyName() + L"\\Velbrowser";
}

}  // namespace krv::product
