#include "handoff/handoff_log.h"

namespace krv::handoff {

const log::LogCategory kFilehlp = log::make_category(L"filehlp");
const log::LogCategory kRegis = log::make_category(L"regis");
const log::LogCategory kSfxsh = log::make_category(L"sfxsh");

}  // namespace krv::handoff
