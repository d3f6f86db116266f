#include "stub/stub_log.h"

namespace krv::stub {

const log::LogCategory kKaldor = log::make_category(L"kaldor");

}  // namespace krv::stub
