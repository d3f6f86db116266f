#include "log/log_format.h"

#include <climits>
#include <cstddef>
#include <cstdio>
#include <cwchar>
#include <type_traits>

#include "log/utf8_text.h"

namespace krv::log {

namespace {

// The type va_arg must read for an argument passed as T: types narrower than
// int arrive promoted to int.
template <typename T>
using Promoted = std::conditional_t<(sizeof(T) < sizeof(int)), int, T>;

// Owns a copy of the caller's argument list; pointers to it may be handed to
// helpers, which a plain va_list parameter does not allow on every target.
class Arguments {
 public:
  explicit Arguments(va_list args) { va_copy(args_, args); }
  ~Arguments() { va_end(args_); }
  Arguments(const Arguments&) = delete;
  Arguments& operator=(const Arguments&) = delete;

  template <typename T>
  T next() {
    return static_cast<T>(va_arg(args_, Promoted<T>));
  }

 private:
  va_list args_;
};

enum class Length { kNone, kChar, kShort, kLong, kLongLong, kIntMax, kSize, kPtrDiff, kPointer, kInt32, kLongDouble, kWide };

struct Directive {
  std::string flags;
  bool left = false;
  int width = -1;
  int precision = -1;
  Length length = Length::kNone;
  char conversion = 0;
};

// Formats one value with the C runtime: measures first, then formats into a
// buffer of exactly that size.
template <typename T>
bool append_printf(std::string& out, const Directive& d, const char* length, T value) {
  char spec[48];
  int n = std::snprintf(spec, sizeof spec, "%%%s", d.flags.c_str());
  if (d.width >= 0) n += std::snprintf(spec + n, sizeof spec - n, "%d", d.width);
  if (d.precision >= 0) n += std::snprintf(spec + n, sizeof spec - n, ".%d", d.precision);
  std::snprintf(spec + n, sizeof spec - n, "%s%c", length, d.conversion);
  int size = std::snprintf(nullptr, 0, spec, value);
  if (size < 0) return false;
  size_t start = out.size();
  out.resize(start + static_cast<size_t>(size) + 1);
  std::snprintf(&out[start], static_cast<size_t>(size) + 1, spec, value);
  out.resize(start + static_cast<size_t>(size));
  return true;
}

// Counts UTF-8 characters (lead bytes).
size_t utf8_char_count(const std::string& text) {
  size_t count = 0;
  for (char c : text) count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
  return count;
}

// The byte length of the first `limit` characters of `text`.
size_t utf8_chars_length(const std::string& text, size_t limit) {
  size_t chars = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if ((static_cast<unsigned char>(text[i]) & 0xC0) != 0x80) {
      if (chars == limit) return i;
      ++chars;
    }
  }
  return text.size();
}

// Length of a wide string of at most `limit` units (no read past the limit).
size_t bounded_length(const wchar_t* text, size_t limit) {
  size_t n = 0;
  while (n < limit && text[n] != 0) ++n;
  return n;
}

size_t bounded_length(const char* text, size_t limit) {
  size_t n = 0;
  while (n < limit && text[n] != 0) ++n;
  return n;
}

// Length in units of at most `limit` characters of a wide string (a UTF-16
// surrogate pair is one character); reads no further than the last of them.
size_t bounded_wide_chars_length(const wchar_t* text, size_t limit) {
  size_t n = 0;
  for (size_t chars = 0; chars < limit && text[n] != 0; ++chars) {
    bool high = sizeof(wchar_t) == 2 && (static_cast<uint32_t>(text[n]) & 0xFC00) == 0xD800;
    ++n;
    if (high && (static_cast<uint32_t>(text[n]) & 0xFC00) == 0xDC00) ++n;
  }
  return n;
}

// Byte length of at most `limit` UTF-8 characters; reads no further than the
// last of them (its length taken from its lead byte).
size_t bounded_utf8_length(const char* text, size_t limit) {
  size_t n = 0;
  for (size_t chars = 0; chars < limit && text[n] != 0; ++chars) {
    unsigned char lead = static_cast<unsigned char>(text[n++]);
    size_t extra = lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : 0;
    while (extra-- > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80) ++n;
  }
  return n;
}

constexpr size_t kUnbounded = static_cast<size_t>(-1);

template <typename Char>
class MessageFormatter {
 public:
  // Width and precision of text count bytes for narrow formats, characters
  // for wide ones.
  static constexpr bool kWideFormat = std::is_same_v<Char, wchar_t>;

  MessageFormatter(const Char* format, va_list args) : format_(format), args_(args) {}

  bool run(std::string& out) {
    const Char* p = format_;
    while (*p != 0) {
      const Char* literal = p;
      while (*p != 0 && *p != '%') ++p;
      append_literal(out, literal, static_cast<size_t>(p - literal));
      if (*p == 0) break;
      ++p;
      if (*p == '%') {
        out.push_back('%');
        ++p;
        continue;
      }
      Directive d;
      if (!parse(p, d) || !convert(out, d)) return false;
    }
    return true;
  }

 private:
  void append_literal(std::string& out, const Char* text, size_t count) {
    if constexpr (kWideFormat) {
      append_utf8(out, text, count);
    } else {
      out.append(text, count);
    }
  }

  bool parse(const Char*& p, Directive& d) {
    for (;; ++p) {
      if (*p == '-') {
        d.left = true;
      } else if (*p == ' ' || *p == '#' || *p == '+' || *p == '0') {
        d.flags.push_back(static_cast<char>(*p));
      } else {
        break;
      }
    }
    if (*p == '*') {
      d.width = args_.next<int>();
      if (d.width < 0) {
        d.left = true;
        d.width = d.width == INT_MIN ? -1 : -d.width;
      }
      ++p;
    } else if (!parse_number(p, d.width)) {
      return false;
    }
    if (*p == '.') {
      ++p;
      if (*p == '*') {
        d.precision = args_.next<int>();
        if (d.precision < 0) d.precision = -1;
        ++p;
      } else {
        d.precision = 0;
        if (!parse_number(p, d.precision)) return false;
      }
    }
    if (d.left) d.flags.push_back('-');
    d.length = parse_length(p);
    if (*p == 0 || *p > 0x7F) return false;
    d.conversion = static_cast<char>(*p++);
    return true;
  }

  // Reads decimal digits into `value` (left as is when there are none).
  static bool parse_number(const Char*& p, int& value) {
    if (*p < '0' || *p > '9') return true;
    long long n = 0;
    while (*p >= '0' && *p <= '9') {
      n = n * 10 + (*p++ - '0');
      if (n > 0x7FFFFFFF) return false;
    }
    value = static_cast<int>(n);
    return true;
  }

  static Length parse_length(const Char*& p) {
    switch (*p) {
      case 'h':
        if (p[1] == 'h') return p += 2, Length::kChar;
        return ++p, Length::kShort;
      case 'l':
        if (p[1] == 'l') return p += 2, Length::kLongLong;
        return ++p, Length::kLong;
      case 'I':
        if (p[1] == '6' && p[2] == '4') return p += 3, Length::kLongLong;
        if (p[1] == '3' && p[2] == '2') return p += 3, Length::kInt32;
        return ++p, Length::kPointer;
      case 'j': return ++p, Length::kIntMax;
      case 'z': return ++p, Length::kSize;
      case 't': return ++p, Length::kPtrDiff;
      case 'L': return ++p, Length::kLongDouble;
      case 'w': return ++p, Length::kWide;
      default: return Length::kNone;
    }
  }

  bool convert(std::string& out, const Directive& d) {
    switch (d.conversion) {
      case 'd':
      case 'i': return append_printf(out, d, "ll", next_signed(d.length));
      case 'o':
      case 'u':
      case 'x':
      case 'X': return append_printf(out, d, "ll", next_unsigned(d.length));
      case 'e':
      case 'E':
      case 'f':
      case 'F':
      case 'g':
      case 'G':
      case 'a':
      case 'A':
        if (d.length == Length::kLongDouble) return append_printf(out, d, "L", args_.next<long double>());
        return append_printf(out, d, "", args_.next<double>());
      case 'p': return append_printf(out, d, "", args_.next<void*>());
      case 'n': args_.next<void*>(); return true;
      case 'c': return append_char(out, d, is_wide_length(d.length));
      case 'C': return append_char(out, d, d.length != Length::kShort);
      case 's': return append_string(out, d, is_wide_length(d.length));
      case 'S': return append_string(out, d, d.length != Length::kShort);
      case 'Z': return append_counted(out, d);
      default: return false;
    }
  }

  static bool is_wide_length(Length length) { return length == Length::kLong || length == Length::kWide; }

  long long next_signed(Length length) {
    switch (length) {
      case Length::kChar: return static_cast<signed char>(args_.next<int>());
      case Length::kShort: return static_cast<short>(args_.next<int>());
      case Length::kLong: return args_.next<long>();
      case Length::kLongLong:
      case Length::kLongDouble: return args_.next<long long>();
      case Length::kIntMax: return static_cast<long long>(args_.next<intmax_t>());
      case Length::kSize: return static_cast<long long>(args_.next<std::make_signed_t<size_t>>());
      case Length::kPtrDiff: return static_cast<long long>(args_.next<ptrdiff_t>());
      case Length::kPointer: return static_cast<long long>(args_.next<intptr_t>());
      case Length::kInt32: return args_.next<int32_t>();
      default: return args_.next<int>();
    }
  }

  unsigned long long next_unsigned(Length length) {
    switch (length) {
      case Length::kChar: return static_cast<unsigned char>(args_.next<unsigned>());
      case Length::kShort: return static_cast<unsigned short>(args_.next<unsigned>());
      case Length::kLong: return args_.next<unsigned long>();
      case Length::kLongLong:
      case Length::kLongDouble: return args_.next<unsigned long long>();
      case Length::kIntMax: return static_cast<unsigned long long>(args_.next<uintmax_t>());
      case Length::kSize: return static_cast<unsigned long long>(args_.next<size_t>());
      case Length::kPtrDiff: return static_cast<unsigned long long>(args_.next<std::make_unsigned_t<ptrdiff_t>>());
      case Length::kPointer: return static_cast<unsigned long long>(args_.next<uintptr_t>());
      case Length::kInt32: return args_.next<uint32_t>();
      default: return args_.next<unsigned>();
    }
  }

  bool append_char(std::string& out, const Directive& d, bool wide) {
    std::string text;
    if (wide) {
      append_utf8(text, static_cast<char32_t>(args_.next<wint_t>()));
    } else {
      text.push_back(static_cast<char>(args_.next<int>()));
    }
    append_padded(out, d, text);
    return true;
  }

  bool append_string(std::string& out, const Directive& d, bool wide) {
    // A precision bounds how far the argument is read, as it need not be
    // zero-terminated: in narrow formats every byte of output takes at least
    // one unit; in wide formats the precision counts characters.
    size_t limit = d.precision < 0 ? kUnbounded : static_cast<size_t>(d.precision);
    std::string text;
    if (wide) {
      const wchar_t* arg = args_.next<const wchar_t*>();
      if (arg == nullptr) {
        text = "(null)";
      } else {
        append_utf8(text, arg, kWideFormat ? bounded_wide_chars_length(arg, limit) : bounded_length(arg, limit));
      }
    } else {
      const char* arg = args_.next<const char*>();
      if (arg == nullptr) {
        text = "(null)";
      } else {
        text.assign(arg, kWideFormat ? bounded_utf8_length(arg, limit) : bounded_length(arg, limit));
      }
    }
    append_text(out, d, text);
    return true;
  }

  bool append_counted(std::string& out, const Directive& d) {
    std::string text = "(null)";
    if (d.length == Length::kWide) {
      const auto* arg = args_.next<const CountedWideString*>();
      if (arg != nullptr && arg->buffer != nullptr) {
        text.clear();
        append_utf8(text, arg->buffer, arg->length / sizeof(wchar_t));
      }
    } else {
      const auto* arg = args_.next<const CountedNarrowString*>();
      if (arg != nullptr && arg->buffer != nullptr) text.assign(arg->buffer, arg->length);
    }
    append_text(out, d, text);
    return true;
  }

  // Applies the precision (never cutting a character) and the width.
  void append_text(std::string& out, const Directive& d, std::string& text) {
    if (d.precision >= 0) {
      size_t limit = static_cast<size_t>(d.precision);
      text.resize(kWideFormat ? utf8_chars_length(text, limit) : utf8_prefix_length(text, limit));
    }
    append_padded(out, d, text);
  }

  void append_padded(std::string& out, const Directive& d, const std::string& text) {
    size_t units = kWideFormat ? utf8_char_count(text) : text.size();
    size_t pad = d.width > 0 && static_cast<size_t>(d.width) > units ? static_cast<size_t>(d.width) - units : 0;
    if (!d.left) out.append(pad, ' ');
    out += text;
    if (d.left) out.append(pad, ' ');
  }

  const Char* format_;
  Arguments args_;
};

template <typename Char>
std::string format_any(const Char* format, va_list args) {
  std::string out;
  if (format == nullptr) return out;
  MessageFormatter<Char> formatter(format, args);
  if (!formatter.run(out)) out.clear();
  return out;
}

}  // namespace

std::string format_message(const char* format, va_list args) { return format_any(format, args); }

std::string format_message(const wchar_t* format, va_list args) { return format_any(format, args); }

}  // namespace krv::log
