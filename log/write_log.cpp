#include "log/write_log.h"

#include <cstdarg>
#include <cstring>

#include "log/log_module.h"
#include "log/utf8_text.h"

namespace krv::log {

LogCategory make_category(const wchar_t* name) {
  LogCategory category{};
  std::string text = utf8_from_wide(name);
  text.resize(utf8_prefix_length(text, sizeof category.name - 1));
  std::memcpy(category.name, text.data(), text.size());
  return category;
}

void write_log(int32_t level, const LogCategory& category, const wchar_t* format, ...) {
  std::shared_ptr<ILogger> logger = get_default_logger();
  if (!logger) return;
  va_list args;
  va_start(args, format);
  logger->log_w(level, category, format, args);
  va_end(args);
}

}  // namespace krv::log
