#pragma once
// The log categories of the installer hand-off.

#include "log/write_log.h"

namespace krv::handoff {

extern const log::LogCategory kFilehlp;  // file removal
extern const log::LogCategory kRegis;    // registry reads
extern const log::LogCategory kSfxsh;    // the installer/updater's process

}  // namespace krv::handoff
