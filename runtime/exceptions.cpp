#include "runtime/exceptions.h"

#include <cstdarg>
#include <cstdio>

namespace krv::exceptions {
namespace detail {

const char* base::what() const noexcept {
  return message_.empty() ? "Unknown exception" : message_.c_str();
}

void base::format_message(const char* format, va_list args) {
  if (format == nullptr) {
    return;
  }
  va_list measure;
  va_copy(measure, args);
  const int length = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  if (length <= 0) {
    return;
  }
  std::string text(static_cast<size_t>(length), '\0');
  // The buffer holds length + 1 characters: std::string keeps room for the
  // terminator, which vsnprintf writes over the one it already has.
  if (std::vsnprintf(text.data(), text.size() + 1, format, args) == length) {
    message_ = std::move(text);
  }
}

}  // namespace detail

#define KRV_FORMAT_FROM(format)    \
  do {                             \
    va_list args;                  \
    va_start(args, format);        \
    format_message(format, args);  \
    va_end(args);                  \
  } while (false)

error::error(int32_t code, const char* format, ...) : base(code) { KRV_FORMAT_FROM(format); }
error::error(const char* format, ...) : base(kNoCode) { KRV_FORMAT_FROM(format); }
fatal::fatal(int32_t code, const char* format, ...) : base(code) { KRV_FORMAT_FROM(format); }
fatal::fatal(const char* format, ...) : base(kNoCode) { KRV_FORMAT_FROM(format); }

#undef KRV_FORMAT_FROM

}  // namespace krv::exceptions
