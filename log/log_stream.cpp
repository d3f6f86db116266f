#include "log/log_stream.h"

#include <cstdio>

#include "log/ilogger.h"
#include "log/utf8_text.h"

namespace krv::log {

LogStream::LogStream(std::shared_ptr<ILogger> logger, int32_t level, const LogCategory& category)
    : logger_(std::move(logger)), level_(level), category_(category) {}

LogStream::~LogStream() {
  if (!logger_) return;
  try {
    if (exception_) {
      try {
        std::rethrow_exception(exception_);
      } catch (const std::exception& exception) {
        log_exception_message(*logger_, level_, category_, exception, "%s", text_.c_str());
        return;
      } catch (...) {
        // Not a standard exception: nothing to describe.
      }
    }
    log_message(*logger_, level_, category_, "%s", text_.c_str());
  } catch (...) {
  }
}

LogStream& LogStream::operator<<(const char* text) {
  text_ += text;
  return *this;
}

LogStream& LogStream::operator<<(const std::string& text) {
  text_ += text;
  return *this;
}

LogStream& LogStream::operator<<(char c) {
  text_ += c;
  return *this;
}

LogStream& LogStream::operator<<(const wchar_t* text) {
  text_ += utf8_from_wide(text);
  return *this;
}

LogStream& LogStream::operator<<(double value) {
  char text[32];
  std::snprintf(text, sizeof text, "%g", value);
  text_ += text;
  return *this;
}

LogStream& LogStream::operator<<(const std::wstring& text) {
  append_utf8(text_, text.data(), text.size());
  return *this;
}

}  // namespace krv::log
