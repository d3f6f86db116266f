#include "log/write_log.h"

#include <cstring>

#include "log/utf8_text.h"

namespace krv::log {

LogCategory make_category(const wchar_t* name) {
  LogCategory category{};
  std::string text = utf8_from_wide(name);
  text.resize(utf8_prefix_length(text, sizeof category.name - 1));
  std::memcpy(category.name, text.data(), text.size());
  return category;
}

}  // namespace krv::log
