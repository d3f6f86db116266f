#pragma once
// Which entries are written exactly as stored: the installed updater's own
// packages, which it verifies and unpacks itself.

#include <string>

namespace krv::sfxarc {

// True when `name` contains, anywhere and in exactly this case, one of
// "part-", "prod-pgm.vpx", "prod-vps.vpx", "uat.vpx", "servers.def",
// "config.def". Every other entry is unpacked when extracted.
bool IsKeptPacked(const std::wstring& name);

}  // namespace krv::sfxarc
