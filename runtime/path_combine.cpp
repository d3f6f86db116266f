#include "runtime/path_combine.h"

namespace krv::os {
namespace {

bool is_separator(wchar_t c) { return c == L'\\' || c == L'/'; }

}  // namespace

std::wstring combine_path(const std::wstring& folder, const std::wstring& name) {
  const size_t first = folder.find_first_not_of(L" \t");
  std::wstring base = first == std::wstring::npos ? std::wstring()
                                                  : folder.substr(first, folder.find_last_not_of(L" \t") - first + 1);
  const bool quoted = base.size() >= 2 && base.front() == L'"' && base.back() == L'"';
  if (quoted) base = base.substr(1, base.size() - 2);
  if (!base.empty() && !name.empty() && !is_separator(base.back()) && !is_separator(name.front())) base += L'\\';
  base += name;
  return quoted ? L'"' + base + L'"' : base;
}

}  // namespace krv::os
