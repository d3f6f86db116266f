// A second module with its own copy of the brand code: it reaches the
// process-local storage only through the published window class.
#include <cstdint>

#include "product/brand.h"

extern "C" __declspec(dllexport) uint32_t krv_test_stored_brand() {
  return static_cast<uint32_t>(krv::branding::GetBrandInfo(krv::branding::BrandingPlsName::pkgrun).brand);
}

extern "C" __declspec(dllexport) void krv_test_set_brand(uint32_t brand) {
  krv::branding::SetBrand(static_cast<krv::branding::Brand>(brand));
}
