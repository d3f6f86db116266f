#pragma once
// Conversions between wide text and UTF-8 for the log. Wide text is UTF-16
// where wchar_t has 16 bits (Windows) and UTF-32 where it has 32 (Linux);
// both builds produce the same UTF-8 for the same characters.

#include <cstddef>
#include <string>

namespace krv::log {

// Appends the UTF-8 form of `count` wide units at `text` to `out`. A lone
// surrogate or a value above U+10FFFF becomes U+FFFD. Never fails.
void append_utf8(std::string& out, const wchar_t* text, size_t count);

// Appends the UTF-8 form of one character (a wide unit, a code point) to
// `out`, U+FFFD for a surrogate or a value above U+10FFFF.
void append_utf8(std::string& out, char32_t code_point);

// The UTF-8 form of a zero-terminated wide string; "" for a null pointer.
std::string utf8_from_wide(const wchar_t* text);

// The wide form of UTF-8 text. A malformed sequence becomes U+FFFD (one per
// bad byte), so every input gives a result.
std::wstring wide_from_utf8(const std::string& text);

// The length of the longest prefix of `text` no longer than `limit` bytes that
// does not end inside a UTF-8 sequence.
size_t utf8_prefix_length(const std::string& text, size_t limit);

}  // namespace krv::log
