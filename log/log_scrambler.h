#pragma once
// The private logger's message form: readable only with the key below, so
// that a log file handed on does not show the text at a glance. Obscuring,
// not encryption.

#include <cstdint>
#include <string>

namespace krv::log {

// The fixed XOR key of the scrambled form.
extern const uint8_t kScrambleKey[16];

// "~" followed by the Base64 form (RFC 4648, "=" padding) of: a random prefix
// (krv::os::random64) of 0 to 4 letters 'a'..'y' and a space, then `message`
// with "\r\n" made "\n" and every "\n" followed by 64 spaces, each byte i
// XORed with kScrambleKey[i % 16]. The result holds no "%" and no line end.
std::string scramble_message(const std::string& message);

}  // namespace krv::log
