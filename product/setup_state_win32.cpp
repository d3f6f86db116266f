#include "product/setup_state.h"

namespace krv::product {

// Not built yet: the setting files are read with product discovery; until
// then the edition stays unknown.
bool CollectProductEnvironment(ProductEnvironment*) { return false; }

}  // namespace krv::product
