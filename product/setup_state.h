#pragma once
// The installed product's setup state.

#include <cstdint>

namespace krv::product {

struct ProductEnvironment {
  // The product's edition identifier; -1 when it cannot be read.
  int32_t Edition = -1;
};

// Fills `env` from the product's setting files; true when they were read.
bool CollectProductEnvironment(ProductEnvironment* env);

}  // namespace krv::product
