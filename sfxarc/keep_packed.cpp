#include "sfxarc/keep_packed.h"

namespace krv::sfxarc {

namespace {

constexpr const wchar_t* kKeptPackedParts[] = {
    L"part-", L"prod-pgm.vpx", L"prod-vps.vpx", L"uat.vpx", L"servers.def", L"config.def",
};

}  // namespace

bool IsKeptPacked(const std::wstring& name) {
  for (const wchar_t* part : kKeptPackedParts) {
    if (name.find(part) != std::wstring::npos) return true;
  }
  return false;
}

}  // namespace krv::sfxarc
