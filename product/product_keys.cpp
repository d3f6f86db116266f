#include "product/product_keys.h"

#include "product/brand.h"
#include "product/brand_names.h"

namespace krv::product {

std::wstring GetAvRegistrySubkey() {
  const branding::BrandInfo record = branding::GetBrandInfo(branding::BrandingPlsName::pkgrun);
  // A record stored by SetBrand has no product and no subkey, so in this
  // program the key is the composed one.
  if (record.product == branding::Product::Antivirus && record.subkey) return *record.subkey;
  return L"SOFTWARE\\" + branding::CompanyKeyName() + L"\\" + branding::ProductKeyName();
}

std::wstring GetCompanyRegistryKey() { return L"SOFTWARE\\" + branding::CompanyKeyName(); }

std::wstring GetBrowserRegistryKey() { return GetCompanyRegistryKey() + L"\\Velbrowser"; }

}  // namespace krv::product
