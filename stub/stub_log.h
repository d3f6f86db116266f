#pragma once
// The main flow's log category.

#include "log/write_log.h"

namespace krv::stub {

extern const log::LogCategory kKaldor;

}  // namespace krv::stub
