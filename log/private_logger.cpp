#include "log/private_logger.h"

#include "log/describe_exception.h"
#include "log/log_format.h"
#include "log/log_scrambler.h"

namespace krv::log {

std::shared_ptr<PrivateLogger> PrivateLogger::create() { return std::shared_ptr<PrivateLogger>(new PrivateLogger()); }

void PrivateLogger::log(int32_t level, const LogCategory& category, const char* format, va_list args) {
  try {
    if (!accepts(level)) return;
    submit(level, category, scramble_message(format_message(format, args)));
  } catch (...) {
  }
}

void PrivateLogger::log_w(int32_t level, const LogCategory& category, const wchar_t* format, va_list args) {
  try {
    if (!accepts(level)) return;
    submit(level, category, scramble_message(format_message(format, args)));
  } catch (...) {
  }
}

void PrivateLogger::log_exception(int32_t level, const LogCategory& category, const std::exception& exception,
                                  const char* format, va_list args) {
  try {
    if (!accepts(level)) return;
    submit(level, category, scramble_message(format_message(format, args)));
    log_message(*this, level, category, "%s", describe_exception(exception).c_str());
  } catch (...) {
  }
}

void PrivateLogger::log_exception_w(int32_t level, const LogCategory& category, const std::exception& exception,
                                    const wchar_t* format, va_list args) {
  try {
    if (!accepts(level)) return;
    submit(level, category, scramble_message(format_message(format, args)));
    log_message(*this, level, category, "%s", describe_exception(exception).c_str());
  } catch (...) {
  }
}

}  // namespace krv::log
