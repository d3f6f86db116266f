#pragma once
// The log category of brand identification.

#include "log/write_log.h"

namespace krv::branding {

extern const log::LogCategory kBrandingLog;

}  // namespace krv::branding
