#include "log/log_stream.h"

#include "log/ilogger.h"
#include "log/utf8_text.h"

namespace krv::log {

LogStream::LogStream(std::shared_ptr<ILogger> logger, int32_t level, const LogCategory& category)
    : logger_(std::move(logger)), level_(level), category_(category) {}

LogStream::~LogStream() {
  if (!logger_) return;
  try {
    std::string text = text_.str();
    if (exception_) {
      try {
        std::rethrow_exception(exception_);
      } catch (const std::exception& exception) {
        log_exception_message(*logger_, level_, category_, exception, "%s", text.c_str());
        return;
      } catch (...) {
        // Not a standard exception: nothing to describe.
      }
    }
    log_message(*logger_, level_, category_, "%s", text.c_str());
  } catch (...) {
  }
}

LogStream& LogStream::operator<<(const wchar_t* text) {
  text_ << utf8_from_wide(text);
  return *this;
}

LogStream& LogStream::operator<<(const std::wstring& text) {
  std::string utf8;
  append_utf8(utf8, text.data(), text.size());
  text_ << utf8;
  return *this;
}

}  // namespace krv::log
