#include "handoff/installer_launch.h"

namespace krv::handoff {

void ReplaceAll(std::wstring& text, const std::wstring& what, const std::wstring& with) {
  // Equal texts would swap roles forever below; the result is the text anyway.
  if (what.empty() || what == with) return;
  // Turning earlier replacements back first keeps them from being expanded a
  // second time. `with` is then longer than `what`, so this recurses once.
  if (with.find(what) != std::wstring::npos && text.find(with) != std::wstring::npos) ReplaceAll(text, with, what);
  for (size_t at = text.find(what); at != std::wstring::npos; at = text.find(what, at + with.size()))
    text.replace(at, what.size(), with);
}

}  // namespace krv::handoff
