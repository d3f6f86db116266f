#pragma once
// Entry times as sfxtool prints them.

#include <cstdint>
#include <string>

namespace krv::tools {

// "YYYY-MM-DD hh:mm:ss UTC" for seconds since 1970; "" for a negative value.
std::string UtcTimeText(int64_t seconds);

}  // namespace krv::tools
