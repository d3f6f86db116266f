#pragma once
// Library-load filters of the product's self-protection.

#include <cstdint>

namespace krv::stub {

// Restricts which libraries may be loaded into the process on behalf of
// system libraries while the product's self-protection is active. Returns a
// code the main flow ignores.
uint32_t InstallLoadLibraryFilters();

}  // namespace krv::stub
