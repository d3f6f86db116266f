#include "product/product_folders.h"

#include "product/brand_names.h"

namespace krv::product {

std::wstring GetPersistentDataFolder() {
  return CommonAppDataFolder() + L"\\" + branding::CompanyKeyName() + L"\\Persistent Data\\" +
         branding::ProductKeyName();
}

}  // namespace krv::product
