#include "product/settings_file.h"

#include <limits>

#include "log/utf8_text.h"
#include "runtime/last_error.h"

namespace krv::product {
namespace {

constexpr uint32_t kPathNotFound = 3;        // ERROR_PATH_NOT_FOUND: no such key
constexpr uint32_t kInvalidDatatype = 1804;  // ERROR_INVALID_DATATYPE: not a number

// Appends UTF-16 code units to wide text. Where wchar_t has 32 bits a
// surrogate pair becomes one character, so both builds hold the same text;
// a lone surrogate is kept as it is.
class Utf16Appender {
 public:
  explicit Utf16Appender(std::wstring& out) : out_(out) {}
  void Add(uint16_t unit) {
    if (sizeof(wchar_t) == 2) {
      out_ += static_cast<wchar_t>(unit);
      return;
    }
    if (high_ != 0) {
      if (unit >= 0xDC00 && unit <= 0xDFFF) {
        out_ += static_cast<wchar_t>(0x10000 + ((high_ - 0xD800) << 10) + (unit - 0xDC00));
        high_ = 0;
        return;
      }
      out_ += static_cast<wchar_t>(high_);
      high_ = 0;
    }
    if (unit >= 0xD800 && unit <= 0xDBFF) {
      high_ = unit;
    } else {
      out_ += static_cast<wchar_t>(unit);
    }
  }
  void Finish() {
    if (high_ != 0) out_ += static_cast<wchar_t>(high_);
    high_ = 0;
  }

 private:
  std::wstring& out_;
  uint32_t high_ = 0;
};

std::wstring DecodeUtf16(const uint8_t* data, size_t size, bool big_endian) {
  std::wstring text;
  text.reserve(size / 2);
  Utf16Appender appender(text);
  for (size_t i = 0; i + 1 < size; i += 2)
    appender.Add(big_endian ? static_cast<uint16_t>(data[i] << 8 | data[i + 1])
                            : static_cast<uint16_t>(data[i + 1] << 8 | data[i]));
  appender.Finish();
  return text;
}

// White space as the "C" locale's isspace sees it.
bool IsCSpace(wchar_t c) { return c == L' ' || (c >= L'\t' && c <= L'\r'); }

// strtol's rules on the decimal range of T; false without a digit or out
// of range.
template <class T>
bool ParseDecimal(const std::wstring& text, T* out) {
  size_t i = 0;
  while (i < text.size() && IsCSpace(text[i])) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == L'+' || text[i] == L'-')) negative = text[i++] == L'-';
  // Accumulated as a negative number, whose range holds the minimum.
  T value = 0;
  size_t digits = 0;
  for (; i < text.size() && text[i] >= L'0' && text[i] <= L'9'; ++i, ++digits) {
    const T digit = static_cast<T>(text[i] - L'0');
    if (value < (std::numeric_limits<T>::min() + digit) / 10) return false;
    value = static_cast<T>(value * 10 - digit);
  }
  if (digits == 0) return false;
  if (!negative) {
    if (value == std::numeric_limits<T>::min()) return false;
    value = static_cast<T>(-value);
  }
  *out = value;
  return true;
}

template <class T>
T ReadNumber(const SettingsSection::KeyMap& keys, const std::wstring& key, T default_value) {
  const auto it = keys.find(key);
  if (it == keys.end()) {
    os::set_last_error(kPathNotFound);
    return default_value;
  }
  T value = 0;
  if (!ParseDecimal(it->second, &value)) {
    os::set_last_error(kInvalidDatatype);
    return default_value;
  }
  os::set_last_error(0);
  return value;
}

}  // namespace

std::wstring SettingsSection::GetString(const std::wstring& key, const std::wstring& default_value) const {
  const auto it = keys_.find(key);
  os::set_last_error(it == keys_.end() ? kPathNotFound : 0);
  return it == keys_.end() ? default_value : it->second;
}

int32_t SettingsSection::GetInt(const std::wstring& key, int32_t default_value) const {
  return ReadNumber<int32_t>(keys_, key, default_value);
}

int64_t SettingsSection::GetInt64(const std::wstring& key) const { return ReadNumber<int64_t>(keys_, key, 0); }

SettingsSection& SettingsSection::Section(const std::wstring& path) {
  SettingsSection* section = this;
  size_t start = 0;
  for (size_t depth = 1;; ++depth) {
    const size_t dot = depth < kMaxDepth ? path.find(L'.', start) : std::wstring::npos;
    section = &section->sections_[path.substr(start, dot == std::wstring::npos ? dot : dot - start)];
    if (dot == std::wstring::npos) return *section;
    start = dot + 1;
  }
}

void SettingsSection::SetValue(const std::wstring& key, const std::wstring& value) { keys_[key] = value; }

void SettingsFile::Parse(const uint8_t* data, size_t size) {
  root_ = SettingsSection();
  encoding_ = kUtf16LittleEndian;
  std::wstring text;
  if (size >= 2 && data[0] == 0xFF && data[1] == 0xFE) {
    text = DecodeUtf16(data + 2, size - 2, false);
  } else if (size >= 2 && data[0] == 0xFE && data[1] == 0xFF) {
    encoding_ = kUtf16BigEndian;
    text = DecodeUtf16(data + 2, size - 2, true);
  } else {
    encoding_ = kUtf8;
    const size_t skip = size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF ? 3 : 0;
    text = log::wide_from_utf8(std::string(reinterpret_cast<const char*>(data) + skip, size - skip));
  }

  SettingsSection* current = nullptr;
  for (size_t start = 0; start <= text.size();) {
    size_t end = text.find(L'\n', start);
    if (end == std::wstring::npos) end = text.size();
    std::wstring line = text.substr(start, end - start);
    start = end + 1;
    if (!line.empty() && line.back() == L'\r') line.pop_back();
    if (line.empty() || line[0] == L';' || line[0] == L'#') continue;
    if (line.size() > 1 && line.front() == L'[' && line.back() == L']') {
      current = &root_.Section(line.substr(1, line.size() - 2));
      continue;
    }
    const size_t equals = line.find(L'=');
    if (equals != std::wstring::npos && current != nullptr)
      current->SetValue(line.substr(0, equals), line.substr(equals + 1));
  }
}

}  // namespace krv::product
