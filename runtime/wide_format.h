#pragma once
// printf-style formatting of wide text of any length.

#include <cstdarg>
#include <string>

namespace krv {

// The text `format` makes of the arguments, with the C runtime's wide printf
// rules, whole however long it is. Returns "" for a null format, for a
// format the C runtime refuses, and for a text of 1 Mi (2^20) characters or
// more.
// Raises std::bad_alloc when memory runs out.
std::wstring format_wide(const wchar_t* format, ...);
std::wstring vformat_wide(const wchar_t* format, va_list args);

}  // namespace krv
