#pragma once
// A logger whose messages are scrambled (see log_scrambler.h) before they
// reach any sink; the line header stays readable.

#include <memory>

#include "log/logger.h"

namespace krv::log {

class PrivateLogger : public Logger {
 public:
  static std::shared_ptr<PrivateLogger> create();

  // As Logger's, with the formatted message scrambled. The exception forms
  // log the scrambled message and then, as a second scrambled record, the
  // exception's description.
  void log_exception_w(int32_t level, const LogCategory& category, const std::exception& exception,
                       const wchar_t* format, va_list args) override;
  void log_exception(int32_t level, const LogCategory& category, const std::exception& exception,
                     const char* format, va_list args) override;
  void log_w(int32_t level, const LogCategory& category, const wchar_t* format, va_list args) override;
  void log(int32_t level, const LogCategory& category, const char* format, va_list args) override;

 private:
  PrivateLogger() = default;
};

}  // namespace krv::log
