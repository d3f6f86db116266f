#pragma once
// A record written piece by piece with stream insertion and logged once.

#include <cstdint>
#include <exception>
#include <memory>
#include <string>
#include <type_traits>

#include "log/write_log.h"

namespace krv::log {

class ILogger;

class LogStream {
 public:
  // Holds a shared reference to `logger` (may be empty: then nothing is
  // logged) until destroyed.
  LogStream(std::shared_ptr<ILogger> logger, int32_t level, const LogCategory& category);
  LogStream(LogStream&&) = default;
  LogStream& operator=(LogStream&&) = delete;
  LogStream(const LogStream&) = delete;
  LogStream& operator=(const LogStream&) = delete;

  // Logs the whole text as one record with the format "%s" (through
  // log_exception when an exception is attached), then releases the logger.
  // A moved-from stream logs nothing. Never throws.
  ~LogStream();

  // Append a value as a narrow stream with default flags prints it: text
  // as is, wide text as UTF-8, a char as itself, integers in decimal, other
  // numbers as "%g". Built on the string alone, so that the stub carries no
  // iostreams.
  LogStream& operator<<(const char* text);
  LogStream& operator<<(const std::string& text);
  LogStream& operator<<(char c);
  LogStream& operator<<(const wchar_t* text);
  LogStream& operator<<(const std::wstring& text);
  LogStream& operator<<(double value);
  // (signed and unsigned char print as characters, as on a stream).
  template <class T, class = std::enable_if_t<std::is_integral_v<T> && !std::is_same_v<T, char> &&
                                              !std::is_same_v<T, bool>>>
  LogStream& operator<<(T value) {
    if constexpr (sizeof(T) == 1) {
      text_ += static_cast<char>(value);
    } else {
      text_ += std::to_string(value);
    }
    return *this;
  }

  // Attaches an exception whose description follows the text.
  void attach(std::exception_ptr exception) { exception_ = std::move(exception); }

 private:
  std::shared_ptr<ILogger> logger_;
  int32_t level_;
  LogCategory category_;
  std::exception_ptr exception_;
  std::string text_;
};

}  // namespace krv::log
