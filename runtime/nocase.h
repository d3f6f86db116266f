#pragma once
// Case-insensitive comparison of wide texts, shared by every case-insensitive
// map and test of the program.

#include <cstddef>
#include <locale>
#include <memory>
#include <string>

namespace krv::nocase {

// A length or count meaning "up to the terminating NUL" or "no limit".
constexpr size_t kWhole = static_cast<size_t>(-1);

// Compares at most `max_count` characters of `left` and `right` (each
// `*_length` characters long, or kWhole for up to its NUL) after folding
// case, and returns -1, 0 or 1. Under the classic locale only A to Z fold
// (to a to z); under another locale the locale's wide lower-case mapping
// folds. Characters compare as unsigned UTF-16 code units in both builds (a
// 32-bit wchar_t beyond U+FFFF orders as its surrogate pair would). When all
// compared characters are equal the result is 0 if `max_count` was reached
// or both lengths are equal, else the shorter text is the smaller.
// Raises krv::exceptions::fatal (code 87) "nocase::compare left nullparam"
// or "nocase::compare right nullparam" for a null text.
int compare(const wchar_t* left, size_t left_length, const wchar_t* right, size_t right_length,
            size_t max_count, const std::locale& locale);

// The same under the classic locale, without touching std::locale: a
// program that compares only this way (the stub) links none of the
// library's locale machinery.
int compare(const wchar_t* left, size_t left_length, const wchar_t* right, size_t right_length,
            size_t max_count);

// The same with the lower-case mapping `ctype` (a facet that must outlive
// the call), or with the classic folding when it is null.
int compare_mapped(const wchar_t* left, size_t left_length, const wchar_t* right, size_t right_length,
                   size_t max_count, const std::ctype<wchar_t>* ctype);

// Orders wide strings by compare (no count limit): under the classic locale
// by default (the program never changes its global locale, so that is the
// global one), or under the locale it was made with.
class less {
 public:
  less() = default;
  explicit less(const std::locale& locale);
  bool operator()(const std::wstring& left, const std::wstring& right) const;

 private:
  // The locale's own copy and its lower-case mapping; both null for the
  // classic locale. Held by pointer so that copying and using a comparator
  // refer to no locale code.
  std::shared_ptr<const std::locale> locale_;
  const std::ctype<wchar_t>* ctype_ = nullptr;
};

}  // namespace krv::nocase
