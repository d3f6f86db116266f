#pragma once
// Hexadecimal digit strings of the text signature forms and the key files.

#include <cstddef>
#include <cstdint>
#include <string>

namespace krv::signature {

// Decodes 2 * n digits (upper or lower case, two per byte, most significant
// first) into n bytes. False on any other character; out is then partly
// written and must not be used.
bool DecodeHex(const char* digits, size_t n, uint8_t* out);

// The 2 * n lower-case digits of n bytes.
std::string EncodeHex(const uint8_t* data, size_t n);

}  // namespace krv::signature
