#pragma once
// A record written piece by piece with stream insertion and logged once.

#include <cstdint>
#include <exception>
#include <memory>
#include <sstream>
#include <string>

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

  // Appends a value as the narrow stream prints it; wide text as UTF-8.
  template <class T>
  LogStream& operator<<(const T& value) {
    text_ << value;
    return *this;
  }
  LogStream& operator<<(const wchar_t* text);
  LogStream& operator<<(const std::wstring& text);

  // Attaches an exception whose description follows the text.
  void attach(std::exception_ptr exception) { exception_ = std::move(exception); }

 private:
  std::shared_ptr<ILogger> logger_;
  int32_t level_;
  LogCategory category_;
  std::exception_ptr exception_;
  std::ostringstream text_;
};

}  // namespace krv::log
