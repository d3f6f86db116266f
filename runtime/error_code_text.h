#pragma once
// Result codes as text, for message lines of the file and registry helpers.

#include <cstdint>
#include <string>

namespace krv {

using ResultCode = uint32_t;

// The product's own codes (bits 12..15 equal to 0xA): the product's text, or
// empty for a code the product does not define. Every other code, 0 included:
// the system's message text for it in English (United States) with trailing
// white space removed, or empty when the system has none.
std::wstring ErrorCodeText(ResultCode code);

// "%d (0x%08X) [<ErrorCodeText>]".
std::wstring FormatErrorCode(ResultCode code);

// The system's message text for a system error code; empty when there is
// none. Trailing white space is kept. Platform-specific.
std::wstring SystemMessageText(ResultCode code);

}  // namespace krv
