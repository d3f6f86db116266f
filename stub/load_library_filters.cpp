#include "stub/load_library_filters.h"

namespace krv::stub {

// The self-protection driver that these filters serve is not part of this
// program, so there is nothing to install.
uint32_t InstallLoadLibraryFilters() { return 0; }

}  // namespace krv::stub
