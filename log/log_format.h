#pragma once
// Formatting of log messages: printf-style format and arguments to UTF-8.
//
// Wide text never reaches a narrow formatter: each directive that takes a
// wide character or string (%lc %wc %C, %ls %ws %S, %wZ) has its argument
// converted to UTF-8 and is then formatted like %s, with its flags, width and
// precision. Numbers and narrow strings are formatted by the C runtime one
// directive at a time, so the result is the same in both builds. Accepted:
// flags " #+-0", width and precision (also *), length prefixes h hh l ll I
// I32 I64 j z t L w, conversions d i o u x X c C s S Z p e E f F g G a A %.
// %n consumes its pointer and writes nothing.

#include <cstdarg>
#include <cstdint>
#include <string>

namespace krv::log {

// The argument of %wZ: a counted wide string (the system's UNICODE_STRING
// layout), `length` in bytes, `buffer` not necessarily zero-terminated.
struct CountedWideString {
  uint16_t length;
  uint16_t maximum_length;
  const wchar_t* buffer;
};

// The argument of %Z and %hZ: a counted narrow string (ANSI_STRING layout).
struct CountedNarrowString {
  uint16_t length;
  uint16_t maximum_length;
  const char* buffer;
};

// Formats a narrow format (UTF-8 literal text). Width and precision of
// strings count bytes, and a precision never cuts a UTF-8 sequence. Returns
// "" for a null format or a malformed directive.
std::string format_message(const char* format, va_list args);

// Formats a wide format, C99 wide printf rules (%s and %hs are narrow UTF-8
// strings, %ls %ws %S wide). Width and precision of strings count
// characters. Returns "" for a null format or a malformed directive.
std::string format_message(const wchar_t* format, va_list args);

}  // namespace krv::log
