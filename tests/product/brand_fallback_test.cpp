// GetBrand's fallback on the image's file name, in a program where nothing
// stored a brand and nothing registered holds the image. Built three times:
// as "krv...", "kestil..." and a name with no brand prefix (KRV_EXPECTED_BRAND
// 1, 2 and 0); the program has no version resource.
#include <gtest/gtest.h>

#include "product/brand.h"
#include "product/brand_names.h"
#include "product/process_local_storage.h"
#include "runtime/exceptions.h"
#include "runtime/lifetime_object.h"
#include "tests/product/registry_fixture.h"

namespace krv::branding {
namespace {

TEST(GetBrandFallback, ImageNamePrefix) {
  krv::testing::ProductRegistryLock lock;
  const Brand expected = static_cast<Brand>(KRV_EXPECTED_BRAND);
  if (expected == Brand::Invalid) {
    try {
      GetBrand();
      ADD_FAILURE() << "a brand was recognised";
    } catch (const exceptions::error& e) {
      EXPECT_STREQ(e.what(), "Unable to recognize brand of the current process/module");
    }
    // A brand name whose first use failed stays failed.
    try {
      ProductDisplayName();
      ADD_FAILURE() << "a name without a brand";
    } catch (const exceptions::error& e) {
      EXPECT_STREQ(e.what(), "Cannot retrieve BrandInfo data from registry for PLS key: krv::branding::pkgrun");
    }
    EXPECT_THROW(ProductDisplayName(), lifetime::object_creation_error);
    return;
  }
  EXPECT_EQ(GetBrand(), expected);
  // The answer from the process's image is stored in slot 0 ...
  Brand stored = Brand::Invalid;
  ASSERT_TRUE(PlsGet(PlsSlotKey(BrandingPlsName::pkgrun) + "Brand2", &stored));
  EXPECT_EQ(stored, expected);
  // ... and cached: a brand stored later is not seen by GetBrand.
  SetBrand(expected == Brand::Orvane ? Brand::Kestil : Brand::Orvane);
  EXPECT_EQ(GetBrand(), expected);
}

}  // namespace
}  // namespace krv::branding
