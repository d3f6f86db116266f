#include "sfxarc/entry_name_check.h"

namespace krv::sfxarc {
namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

// A component Windows would resolve to the parent folder.
bool LeadsUp(const std::wstring& name, size_t begin, size_t end) {
  size_t dots = 0;
  for (size_t i = begin; i < end; ++i) {
    if (name[i] == L'.')
      ++dots;
    else if (name[i] != L' ')
      return false;
  }
  return dots >= 2;
}

}  // namespace

bool IsSafeEntryName(const std::wstring& name) {
  if (name.empty()) return true;
  if (IsSeparator(name[0]) || name.find(L':') != std::wstring::npos) return false;
  size_t begin = 0;
  while (begin <= name.size()) {
    size_t end = begin;
    while (end < name.size() && !IsSeparator(name[end])) ++end;
    if (LeadsUp(name, begin, end)) return false;
    begin = end + 1;
  }
  return true;
}

}  // namespace krv::sfxarc
