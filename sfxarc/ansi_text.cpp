#include "sfxarc/ansi_text.h"

#include <algorithm>
#include <cwchar>

namespace krv::sfxarc {

std::wstring WideFromAnsi(const uint8_t* bytes, size_t n) {
  std::wstring out;
  std::mbstate_t state{};
  const size_t end = static_cast<size_t>(std::find(bytes, bytes + n, 0) - bytes);
  size_t at = 0;
  while (at < end) {
    wchar_t unit = 0;
    const char* next = reinterpret_cast<const char*>(bytes + at);
    const size_t used = std::mbrtowc(&unit, next, end - at, &state);
    if (used == static_cast<size_t>(-1) || used == static_cast<size_t>(-2) || used == 0) {
      // Invalid, or cut short by the end of the string: keep the byte.
      out.push_back(static_cast<wchar_t>(bytes[at]));
      state = std::mbstate_t{};
      ++at;
      continue;
    }
    out.push_back(unit);
    at += used;
  }
  return out;
}

}  // namespace krv::sfxarc
