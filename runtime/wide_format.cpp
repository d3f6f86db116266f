#include "runtime/wide_format.h"

#include <algorithm>
#include <cwchar>
#include <vector>

namespace krv {
namespace {

// Room for the longest text, with its terminating zero.
constexpr size_t kMaxBuffer = size_t{1} << 20;

}  // namespace

std::wstring format_wide(const wchar_t* format, ...) {
  va_list args;
  va_start(args, format);
  std::wstring text = vformat_wide(format, args);
  va_end(args);
  return text;
}

std::wstring vformat_wide(const wchar_t* format, va_list args) {
  if (format == nullptr) return std::wstring();
  // vswprintf cannot measure, and the C runtimes report a text that does not
  // fit differently: msvcrt and glibc return -1, mingw's C99 stdio
  // (__USE_MINGW_ANSI_STDIO) the length of the whole text. Either means
  // "grow"; a result is taken only when it is below the buffer's size.
  std::vector<wchar_t> buffer(256);
  for (;;) {
    va_list attempt;
    va_copy(attempt, args);
    const int n = std::vswprintf(buffer.data(), buffer.size(), format, attempt);
    va_end(attempt);
    if (n >= 0 && static_cast<size_t>(n) < buffer.size()) return std::wstring(buffer.data(), static_cast<size_t>(n));
    if (buffer.size() >= kMaxBuffer) return std::wstring();
    // The whole length where the C runtime tells it, else twice the room.
    const size_t next = n >= 0 ? static_cast<size_t>(n) + 1 : buffer.size() * 2;
    if (n >= 0 && next > kMaxBuffer) return std::wstring();
    buffer.resize(std::min(next, kMaxBuffer));
  }
}

}  // namespace krv
