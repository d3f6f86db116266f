#include "runtime/nocase.h"

#include <cwchar>
#include <type_traits>

#include "runtime/exceptions.h"

namespace krv::nocase {
namespace {

constexpr int32_t kInvalidParameter = 87;

// The position of a character in UTF-16 code-unit order: a code unit sorts
// by its value; a 32-bit character beyond U+FFFF sorts as its surrogate pair
// (high unit first), so both builds order the same texts the same way.
uint64_t order_key(wchar_t c) {
  const uint64_t value = static_cast<std::make_unsigned_t<wchar_t>>(c);
  if (value <= 0xFFFF || value > 0x10FFFF) {
    return value << 16;
  }
  const uint64_t offset = value - 0x10000;
  return ((0xD800 + (offset >> 10)) << 16) | (0xDC00 + (offset & 0x3FF));
}

wchar_t fold_classic(wchar_t c) {
  return (c >= L'A' && c <= L'Z') ? static_cast<wchar_t>(c + 32) : c;
}

}  // namespace

int compare_mapped(const wchar_t* left, size_t left_length, const wchar_t* right, size_t right_length,
                   size_t max_count, const std::ctype<wchar_t>* ctype) {
  if (left == nullptr) {
    throw exceptions::fatal(kInvalidParameter, "nocase::compare left nullparam");
  }
  if (right == nullptr) {
    throw exceptions::fatal(kInvalidParameter, "nocase::compare right nullparam");
  }
  if (left_length == kWhole) {
    left_length = std::wcslen(left);
  }
  if (right_length == kWhole) {
    right_length = std::wcslen(right);
  }
  size_t count = left_length < right_length ? left_length : right_length;
  if (max_count < count) {
    count = max_count;
  }
  for (size_t i = 0; i < count; ++i) {
    const wchar_t l = ctype == nullptr ? fold_classic(left[i]) : ctype->tolower(left[i]);
    const wchar_t r = ctype == nullptr ? fold_classic(right[i]) : ctype->tolower(right[i]);
    if (l != r) {
      return order_key(l) < order_key(r) ? -1 : 1;
    }
  }
  if (count == max_count || left_length == right_length) {
    return 0;
  }
  return left_length < right_length ? -1 : 1;
}

int compare(const wchar_t* left, size_t left_length, const wchar_t* right, size_t right_length,
            size_t max_count) {
  return compare_mapped(left, left_length, right, right_length, max_count, nullptr);
}

bool less::operator()(const std::wstring& left, const std::wstring& right) const {
  return compare_mapped(left.c_str(), left.size(), right.c_str(), right.size(), kWhole, ctype_) < 0;
}

}  // namespace krv::nocase
