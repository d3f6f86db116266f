#pragma once
// The log category of the archive reader and its extraction.

#include "log/write_log.h"

namespace krv::sfxarc {

// "sfxarc", made on first use.
const krv::log::LogCategory& ArchiveLogCategory();

}  // namespace krv::sfxarc
