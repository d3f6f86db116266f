#include "product/brand_log.h"

namespace krv::branding {

const log::LogCategory kBrandingLog = log::make_category(L"branding");

}  // namespace krv::branding
