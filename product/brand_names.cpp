#include "product/brand_names.h"

#include "product/brand.h"
#include "runtime/lifetime_object.h"

namespace krv::branding {
namespace {

// One name of the record of slot 0, read when the lifetime object is made.
template <const wchar_t* BrandInfo::*Field>
struct BrandName {
  BrandName() {
    const BrandInfo record = GetBrandInfo(BrandingPlsName::pkgrun);
    if (record.*Field != nullptr) value = record.*Field;
  }
  std::wstring value;
};

using CompanyKey = BrandName<&BrandInfo::company_key_name>;
using ProductKey = BrandName<&BrandInfo::product_key_name>;
using ProductDisplay = BrandName<&BrandInfo::product_display_name>;

lifetime::lifetime_object<CompanyKey> g_company_key(lifetime::priority::branding);
lifetime::lifetime_object<ProductKey> g_product_key(lifetime::priority::branding);
lifetime::lifetime_object<ProductDisplay> g_product_display(lifetime::priority::branding);

}  // namespace

std::wstring CompanyKeyName() { return g_company_key.get()->value; }
std::wstring ProductKeyName() { return g_product_key.get()->value; }
std::wstring ProductDisplayName() { return g_product_display.get()->value; }

}  // namespace krv::branding
