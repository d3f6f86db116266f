#include "log/utf8_text.h"

#include <cwchar>

namespace krv::log {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool is_high_surrogate(char32_t c) { return c >= 0xD800 && c <= 0xDBFF; }
bool is_low_surrogate(char32_t c) { return c >= 0xDC00 && c <= 0xDFFF; }
bool is_continuation(unsigned char c) { return (c & 0xC0) == 0x80; }

void append_wide_unit(std::wstring& out, char32_t c) {
  if constexpr (sizeof(wchar_t) == 2) {
    if (c >= 0x10000) {
      c -= 0x10000;
      out.push_back(static_cast<wchar_t>(0xD800 + (c >> 10)));
      out.push_back(static_cast<wchar_t>(0xDC00 + (c & 0x3FF)));
      return;
    }
  }
  out.push_back(static_cast<wchar_t>(c));
}

}  // namespace

void append_utf8(std::string& out, char32_t c) {
  if (c > 0x10FFFF || is_high_surrogate(c) || is_low_surrogate(c)) c = kReplacement;
  if (c < 0x80) {
    out.push_back(static_cast<char>(c));
  } else if (c < 0x800) {
    out.push_back(static_cast<char>(0xC0 | (c >> 6)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else if (c < 0x10000) {
    out.push_back(static_cast<char>(0xE0 | (c >> 12)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  } else {
    out.push_back(static_cast<char>(0xF0 | (c >> 18)));
    out.push_back(static_cast<char>(0x80 | ((c >> 12) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | ((c >> 6) & 0x3F)));
    out.push_back(static_cast<char>(0x80 | (c & 0x3F)));
  }
}

void append_utf8(std::string& out, const wchar_t* text, size_t count) {
  for (size_t i = 0; i < count; ++i) {
    // Unsigned view of the unit: wchar_t is signed on some targets.
    char32_t c = static_cast<char32_t>(text[i]) & (sizeof(wchar_t) == 2 ? 0xFFFF : 0xFFFFFFFF);
    if (sizeof(wchar_t) == 2 && is_high_surrogate(c) && i + 1 < count) {
      char32_t low = static_cast<char32_t>(text[i + 1]) & 0xFFFF;
      if (is_low_surrogate(low)) {
        c = 0x10000 + ((c - 0xD800) << 10) + (low - 0xDC00);
        ++i;
      }
    }
    append_utf8(out, c);
  }
}

std::string utf8_from_wide(const wchar_t* text) {
  std::string out;
  if (text != nullptr) append_utf8(out, text, std::wcslen(text));
  return out;
}

std::wstring wide_from_utf8(const std::string& text) {
  std::wstring out;
  size_t i = 0;
  while (i < text.size()) {
    unsigned char lead = static_cast<unsigned char>(text[i]);
    size_t extra = 0;
    char32_t c = 0;
    char32_t minimum = 0;
    if (lead < 0x80) {
      c = lead;
    } else if ((lead & 0xE0) == 0xC0) {
      extra = 1, c = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
      extra = 2, c = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
      extra = 3, c = lead & 0x07, minimum = 0x10000;
    } else {
      out.push_back(static_cast<wchar_t>(kReplacement));
      ++i;
      continue;
    }
    if (text.size() - i <= extra) {
      out.push_back(static_cast<wchar_t>(kReplacement));
      ++i;
      continue;
    }
    bool valid = true;
    for (size_t k = 1; k <= extra; ++k) {
      unsigned char next = static_cast<unsigned char>(text[i + k]);
      if (!is_continuation(next)) {
        valid = false;
        break;
      }
      c = (c << 6) | (next & 0x3F);
    }
    if (!valid || c < minimum || c > 0x10FFFF || is_high_surrogate(c) || is_low_surrogate(c)) {
      out.push_back(static_cast<wchar_t>(kReplacement));
      ++i;
      continue;
    }
    append_wide_unit(out, c);
    i += extra + 1;
  }
  return out;
}

size_t utf8_prefix_length(const std::string& text, size_t limit) {
  if (limit >= text.size()) return text.size();
  size_t end = limit;
  // Step back over continuation bytes to the lead byte of the cut sequence.
  while (end > 0 && is_continuation(static_cast<unsigned char>(text[end]))) --end;
  return end;
}

}  // namespace krv::log
