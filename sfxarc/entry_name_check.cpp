#include "sfxarc/entry_name_check.h"

#include "runtime/nocase.h"

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

bool SameLetters(const wchar_t* text, size_t length, const wchar_t* device, size_t count) {
  return krv::nocase::compare(text, length, device, count, count) == 0;
}

// A component Windows opens as a device in any folder: the part before its
// first dot, without trailing blanks, is a device name in any case. That
// takes in extensions and trailing dots and blanks ("nul.txt", "CON .",
// "com1.").
bool NamesDevice(const std::wstring& name, size_t begin, size_t end) {
  size_t stem_end = begin;
  while (stem_end < end && name[stem_end] != L'.') ++stem_end;
  while (stem_end > begin && name[stem_end - 1] == L' ') --stem_end;
  const wchar_t* stem = name.c_str() + begin;
  const size_t length = stem_end - begin;
  for (const wchar_t* device : {L"CON", L"PRN", L"AUX", L"NUL", L"CONIN$", L"CONOUT$"}) {
    const size_t device_length = std::char_traits<wchar_t>::length(device);
    if (length == device_length && SameLetters(stem, length, device, device_length)) return true;
  }
  // COM and LPT with one digit, superscripts 1 to 3 included.
  static constexpr wchar_t kPortDigits[] = L"0123456789\u00b9\u00b2\u00b3";
  return length == 4 && (SameLetters(stem, 3, L"COM", 3) || SameLetters(stem, 3, L"LPT", 3)) &&
         std::char_traits<wchar_t>::find(kPortDigits, 13, stem[3]) != nullptr;
}

}  // namespace

bool IsSafeEntryName(const std::wstring& name) {
  if (name.empty()) return true;
  if (IsSeparator(name[0]) || name.find(L':') != std::wstring::npos) return false;
  size_t begin = 0;
  while (begin <= name.size()) {
    size_t end = begin;
    while (end < name.size() && !IsSeparator(name[end])) ++end;
    if (LeadsUp(name, begin, end) || NamesDevice(name, begin, end)) return false;
    begin = end + 1;
  }
  return true;
}

}  // namespace krv::sfxarc
