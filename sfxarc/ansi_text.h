#pragma once
// Wide text from the map's 8-bit strings.

#include <cstddef>
#include <cstdint>
#include <string>

namespace krv::sfxarc {

// The bytes at `bytes` up to the first zero byte or `n`, whichever comes
// first, converted by the C runtime's multibyte conversion under its current
// locale (ASCII maps one to one). A byte the locale cannot convert becomes
// the character of the same value, as the runtime's "C" locale on Windows
// converts every byte, so no name is cut short.
std::wstring WideFromAnsi(const uint8_t* bytes, size_t n);

}  // namespace krv::sfxarc
