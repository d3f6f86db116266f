#pragma once
// The operating system's version class and service-pack level flag, computed
// from the version data the system reports. Pure functions: the runtime start
// feeds them from RtlGetVersion or GetVersionExW.

#include <cstdint>

namespace krv::os {

// The version data as the system reports it.
struct os_version_data {
  bool nt = true;                // VER_PLATFORM_WIN32_NT; false for the 9x family
  uint32_t major = 0;
  uint32_t minor = 0;
  uint32_t build = 0;            // for the 9x family only the low 16 bits count
  uint32_t service_pack_major = 0;
};

// Version classes the rest of the runtime compares against.
namespace version_class {
constexpr uint32_t unknown = 0;
constexpr uint32_t nt5_0 = 11;       // Windows 2000
constexpr uint32_t nt5_x = 12;       // XP, Server 2003
constexpr uint32_t nt6_2 = 15;       // Windows 8: PrefetchVirtualMemory exists from here
constexpr uint32_t nt_latest = 17;   // 6.4 and later, 7 and later (Windows 10 reports 10.0)
}  // namespace version_class

// The version class: 10 to 17 for the NT family (10 for NT 4 and older, 17
// for 6.4 and later), 1 to 5 for the 9x family, 0 for a 9x major version
// other than 4.
uint32_t os_version_class(const os_version_data& version) noexcept;

// True on NT above major 5, on 5.1 with service pack 2 or later, on 5.2 with
// any service pack, and on 5.x with a minor version above 2; false otherwise
// (always false for the 9x family).
bool service_pack_level_flag(const os_version_data& version) noexcept;

}  // namespace krv::os
