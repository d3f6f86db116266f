// The locale-taking forms of nocase, apart from the rest: a program that
// never passes a locale (the stub) then links none of the standard
// library's locale code.
#include "runtime/nocase.h"

namespace krv::nocase {
namespace {

// The mapping of `locale`, or null when it is the classic locale.
const std::ctype<wchar_t>* mapping_of(const std::locale& locale) {
  return locale == std::locale::classic() ? nullptr : &std::use_facet<std::ctype<wchar_t>>(locale);
}

}  // namespace

int compare(const wchar_t* left, size_t left_length, const wchar_t* right, size_t right_length,
            size_t max_count, const std::locale& locale) {
  return compare_mapped(left, left_length, right, right_length, max_count, mapping_of(locale));
}

less::less(const std::locale& locale) {
  if (mapping_of(locale) == nullptr) return;
  locale_ = std::make_shared<const std::locale>(locale);
  // A facet lives as long as a locale that holds it: take it from our copy.
  ctype_ = &std::use_facet<std::ctype<wchar_t>>(*locale_);
}

}  // namespace krv::nocase
