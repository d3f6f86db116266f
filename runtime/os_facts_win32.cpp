#include <windows.h>

#include <cstring>
#include <vector>

#include "runtime/environment_helpers.h"
#include "runtime/optional_imports.h"
#include "runtime/os_facts.h"
#include "runtime/os_version.h"
#include "runtime/registry_helpers.h"

namespace krv::os {
namespace {

os_facts g_facts;

// Granules per window of the mapped file reader, mapped and copied.
constexpr uint32_t kMappedViewGranules = 60;
constexpr uint32_t kCopiedViewGranules = 2;

os_version_data read_version() {
  OSVERSIONINFOEXW info = {};
  info.dwOSVersionInfoSize = sizeof(info);
  bool known = false;
  if (auto rtl_get_version = optional_imports::rtl_get_version())
    known = rtl_get_version(reinterpret_cast<OSVERSIONINFOW*>(&info)) >= 0;
  // GetVersionExW is deprecated for new code, but it is the fallback where
  // RtlGetVersion is missing, first with the extended structure.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wdeprecated-declarations"
  if (!known) known = GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info)) != FALSE;
  if (!known) {
    info = {};
    info.dwOSVersionInfoSize = sizeof(OSVERSIONINFOW);
    known = GetVersionExW(reinterpret_cast<OSVERSIONINFOW*>(&info)) != FALSE;
  }
#pragma GCC diagnostic pop
  os_version_data version;
  if (!known) return version;
  version.nt = info.dwPlatformId == VER_PLATFORM_WIN32_NT;
  version.major = info.dwMajorVersion;
  version.minor = info.dwMinorVersion;
  version.build = info.dwBuildNumber;
  version.service_pack_major = info.wServicePackMajor;
  return version;
}

// The native basic information of a WOW64 process, in its 32-bit layout
// (SYSTEM_BASIC_INFORMATION, 44 bytes).
struct native_basic_information {
  ULONG reserved;
  ULONG timer_resolution;
  ULONG page_size;
  ULONG physical_pages;
  ULONG lowest_physical_page;
  ULONG highest_physical_page;
  ULONG allocation_granularity;
  ULONG minimum_user_address;
  ULONG maximum_user_address;
  ULONG active_processors_mask;
  UCHAR processor_count;
};
static_assert(sizeof(native_basic_information) == 44, "the native structure's 32-bit layout");

constexpr ULONG kSystemBasicInformation = 0;

void take_native_view() {
  const auto query = optional_imports::table().nt_wow64_get_native_system_information;
  // Only a WOW64 process has a native view that differs from its own.
  if (query == nullptr || !g_facts.wow64) return;
  native_basic_information basic = {};
  ULONG returned = 0;
  if (query(kSystemBasicInformation, &basic, sizeof(basic), &returned) < 0) return;
  g_facts.max_application_address = basic.maximum_user_address;
  g_facts.logical_processors = basic.processor_count;
}

void take_processor_topology() {
  const auto query = optional_imports::table().get_logical_processor_information;
  g_facts.cores = g_facts.logical_processors;
  if (query == nullptr) return;
  DWORD bytes = 0;
  if (query(nullptr, &bytes) || GetLastError() != ERROR_INSUFFICIENT_BUFFER || bytes == 0) return;
  std::vector<SYSTEM_LOGICAL_PROCESSOR_INFORMATION> entries(bytes / sizeof(SYSTEM_LOGICAL_PROCESSOR_INFORMATION) + 1);
  bytes = static_cast<DWORD>(entries.size() * sizeof(entries[0]));
  if (!query(entries.data(), &bytes)) return;
  entries.resize(bytes / sizeof(entries[0]));
  uint32_t cores = 0;
  uint32_t logical = 0;
  for (const auto& entry : entries) {
    if (entry.Relationship != RelationProcessorCore) continue;
    ++cores;
    for (ULONG_PTR mask = entry.ProcessorMask; mask != 0; mask &= mask - 1) ++logical;
  }
  if (cores == 0) return;
  g_facts.cores = cores;
  g_facts.logical_processors = logical;
}

// The first of the values that holds more than 3 bytes; at most 8 count.
uint64_t read_microcode_revision() {
  registry_key key;
  if (open_registry_key(nullptr, HKEY_LOCAL_MACHINE, L"Hardware\\Description\\System\\CentralProcessor\\0",
                        KEY_READ | kDefaultRegistryView, &key) != ERROR_SUCCESS)
    return 0;
  for (const wchar_t* name : {L"Update Signature", L"Update Revision", L"CurrentPatchLevel"}) {
    BYTE data[64] = {};
    DWORD size = sizeof(data);
    if (RegQueryValueExW(key.get(), name, nullptr, nullptr, data, &size) != ERROR_SUCCESS || size <= 3) continue;
    uint64_t revision = 0;
    std::memcpy(&revision, data, size < sizeof(revision) ? size : sizeof(revision));
    return revision;
  }
  return 0;
}

}  // namespace

const os_facts& facts() noexcept { return g_facts; }

uint32_t mapped_view_size() noexcept { return kMappedViewGranules * g_facts.allocation_granularity; }

uint32_t copied_view_size() noexcept { return kCopiedViewGranules * g_facts.allocation_granularity; }

namespace facts_setup {

void collect_basic() noexcept {
  const os_version_data version = read_version();
  g_facts.version_class = os_version_class(version);
  g_facts.service_pack_level = service_pack_level_flag(version);
  SYSTEM_INFO info = {};
  GetSystemInfo(&info);
  g_facts.page_size = info.dwPageSize;
  g_facts.allocation_granularity = info.dwAllocationGranularity;
  g_facts.max_application_address = reinterpret_cast<uintptr_t>(info.lpMaximumApplicationAddress);
  g_facts.logical_processors = info.dwNumberOfProcessors;
  std::wstring windows;
  if (windows_directory(&windows) == ERROR_SUCCESS) {
    if (windows.back() != L'\\') windows += L'\\';
    g_facts.windows_folder = windows;
  }
}

void collect_extended() noexcept {
  g_facts.wow64 = optional_imports::process_is_wow64();
  take_native_view();
  if (g_facts.logical_processors == 0) g_facts.logical_processors = 1;
  take_processor_topology();
  g_facts.microcode_revision = read_microcode_revision();
}

void clear() noexcept { g_facts = os_facts(); }

}  // namespace facts_setup
}  // namespace krv::os
