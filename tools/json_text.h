#pragma once
// Text for the --json output of sfxtool.

#include <string>

namespace krv::tools {

// `text` (UTF-8) as a JSON string literal, quotes included: '"', '\' and
// control characters escaped, everything else as it is.
std::string JsonString(const std::string& text);

}  // namespace krv::tools
