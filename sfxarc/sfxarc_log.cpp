#include "sfxarc/sfxarc_log.h"

namespace krv::sfxarc {

const krv::log::LogCategory& ArchiveLogCategory() {
  static const krv::log::LogCategory category = krv::log::make_category(L"sfxarc");
  return category;
}

}  // namespace krv::sfxarc
