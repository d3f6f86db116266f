#include "sfxarc/extended_path.h"

#include <vector>

namespace krv::root {
namespace {

bool IsSeparator(wchar_t c) { return c == L'\\' || c == L'/'; }

bool IsDriveLetter(wchar_t c) { return (c >= L'A' && c <= L'Z') || (c >= L'a' && c <= L'z'); }

// Splits rest into segments, applies "." and "..", and joins them with
// backslashes behind root. At most `kept` leading segments are protected from
// "..".
std::wstring Normalise(const std::wstring& root, const std::wstring& rest, size_t kept) {
  std::vector<std::wstring> segments;
  std::wstring segment;
  auto flush = [&] {
    if (segment == L"..") {
      if (segments.size() > kept) segments.pop_back();
    } else if (!segment.empty() && segment != L".") {
      segments.push_back(segment);
    }
    segment.clear();
  };
  for (wchar_t c : rest) {
    if (IsSeparator(c)) {
      flush();
    } else {
      segment += c;
    }
  }
  flush();
  std::wstring out = root;
  for (size_t i = 0; i < segments.size(); ++i) {
    if (i != 0) out += L'\\';
    out += segments[i];
  }
  if (!rest.empty() && IsSeparator(rest.back()) && !segments.empty()) out += L'\\';
  return out;
}

}  // namespace

std::wstring ToExtendedLengthPath(const std::wstring& path) {
  if (path.size() >= 3 && IsDriveLetter(path[0]) && path[1] == L':' && IsSeparator(path[2])) {
    return Normalise(std::wstring(L"\\\\?\\") + path.substr(0, 2) + L'\\', path.substr(3), 0);
  }
  if (path.size() >= 3 && IsSeparator(path[0]) && IsSeparator(path[1]) && path[2] != L'?' && path[2] != L'.') {
    return Normalise(L"\\\\?\\UNC\\", path.substr(2), 2);
  }
  return path;
}

}  // namespace krv::root
