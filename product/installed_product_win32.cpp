#include "product/installed_product.h"

namespace krv::product {

// Not built yet: the registry lookup comes with product discovery; until
// then no product is ever found.
bool LocateInstalledProduct(InstalledProduct*) { return false; }

}  // namespace krv::product
