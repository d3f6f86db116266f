#include "runtime/path_join.h"

namespace krv {

std::wstring JoinPath(const std::wstring& first, const std::wstring& second) {
  if (first.empty()) return second;
  if (first.back() == L'\\' || (!second.empty() && second.front() == L'\\')) return first + second;
  return first + L'\\' + second;
}

}  // namespace krv
