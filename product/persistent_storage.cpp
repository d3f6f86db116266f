#include "product/persistent_storage.h"

#include "product/brand.h"

namespace krv::product {

std::wstring GetPersistentStorageName() {
  return branding::GetBrand() == branding::Brand::Kestil ? L"KestilPersistentStorage" : L"OrvanePersistentStorage";
}

}  // namespace krv::product
