#pragma once
// The process-local storage (PLS): named, typed values shared by every module
// loaded in the process (Windows only). One storage exists per process; its
// address is published through a window class of the main module, so a
// module built separately finds the storage that another made.

#include <cstdint>
#include <optional>
#include <string>
#include <type_traits>

#include "product/brand.h"

namespace krv::branding {

// The type tags of the values the storage holds. A value read with another
// type than it was stored with raises std::bad_cast.
template <class T>
struct PlsType;
template <>
struct PlsType<Brand> {
  static constexpr const char* name = "krv::branding::Brand";
};
template <>
struct PlsType<Product> {
  static constexpr const char* name = "krv::branding::Product";
};
// A wide string on the process heap, or null; never freed.
template <>
struct PlsType<const wchar_t*> {
  static constexpr const char* name = "wchar_t const*";
};

namespace pls_detail {
// The raw operations, under the storage's lock. Names and type tags longer
// than 63 characters raise krv::exceptions::error 87. Finding or creating
// the storage may raise std::bad_alloc or krv::exceptions::error with the
// system's error code.
bool Get(const std::string& name, const char* type, uint64_t* value);
void Set(const std::string& name, const char* type, uint64_t value);
}  // namespace pls_detail

// The value stored under `name` into `out`; false, with `out` unchanged,
// when there is none. Raises std::bad_cast when it was stored with another
// type.
template <class T>
bool PlsGet(const std::string& name, T* out) {
  uint64_t raw = 0;
  if (!pls_detail::Get(name, PlsType<T>::name, &raw)) return false;
  if constexpr (std::is_pointer_v<T>) {
    *out = reinterpret_cast<T>(static_cast<uintptr_t>(raw));
  } else {
    *out = static_cast<T>(raw);
  }
  return true;
}

// Stores `value` under `name`, replacing what was there.
template <class T>
void PlsSet(const std::string& name, T value) {
  if constexpr (std::is_pointer_v<T>) {
    pls_detail::Set(name, PlsType<T>::name, reinterpret_cast<uintptr_t>(value));
  } else {
    pls_detail::Set(name, PlsType<T>::name, static_cast<uint64_t>(value));
  }
}

// A copy of `text` on the process heap, for a PLS string value; null for
// none. Raises std::bad_alloc.
const wchar_t* PlsStringCopy(const std::optional<std::wstring>& text);

}  // namespace krv::branding
