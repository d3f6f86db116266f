#include "handoff/installer_launch.h"

namespace krv::handoff {

void ReplaceAll(std::wstring& text, const std::wstring& what, const std::wstring& with) {
  if (what.empty()) return;
  for (size_t at = text.find(what); at != std::wstring::npos; at = text.find(what, at + with.size()))
    text.replace(at, what.size(), with);
}

}  // namespace krv::handoff
