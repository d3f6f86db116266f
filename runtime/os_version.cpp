#include "runtime/os_version.h"

namespace krv::os {
namespace {

// Last builds of the first editions of Windows 95 (4.0.950 .. 4.0.1110) and
// Windows 98 (4.10.1998 .. 4.10.2221); later builds are OSR2 and 98 SE.
constexpr uint32_t kWin95LastBuild = 1110;
constexpr uint32_t kWin98LastBuild = 2221;

uint32_t nt_class(uint32_t major, uint32_t minor) {
  if (major <= 4) return 10;
  if (major == 5) return minor == 0 ? version_class::nt5_0 : version_class::nt5_x;
  if (major == 6 && minor <= 3) return 13 + minor;
  return version_class::nt_latest;
}

uint32_t win9x_class(uint32_t major, uint32_t minor, uint32_t build) {
  if (major != 4) return version_class::unknown;
  build &= 0xFFFF;
  if (minor == 0) return build <= kWin95LastBuild ? 1 : 2;
  if (minor < 90) return build <= kWin98LastBuild ? 3 : 4;
  return 5;
}

}  // namespace

uint32_t os_version_class(const os_version_data& v) noexcept {
  return v.nt ? nt_class(v.major, v.minor) : win9x_class(v.major, v.minor, v.build);
}

bool service_pack_level_flag(const os_version_data& v) noexcept {
  if (!v.nt) return false;
  if (v.major > 5) return true;
  if (v.major != 5) return false;
  return (v.minor == 1 && v.service_pack_major >= 2) || (v.minor == 2 && v.service_pack_major >= 1) ||
         v.minor > 2;
}

}  // namespace krv::os
