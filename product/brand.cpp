#include "product/brand.h"

#include <atomic>

namespace krv::branding {
namespace {
// Not built yet: the brand records in process-local storage and detection by
// image come with product discovery; until then the brand is one process value.
std::atomic<uint32_t> g_brand{static_cast<uint32_t>(Brand::Invalid)};
}  // namespace

void SetBrand(Brand brand) { g_brand.store(static_cast<uint32_t>(brand)); }

Brand GetBrand() {
  Brand b = static_cast<Brand>(g_brand.load());
  return b == Brand::Invalid ? Brand::Orvane : b;
}

}  // namespace krv::branding
