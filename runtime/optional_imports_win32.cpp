#include "runtime/optional_imports.h"

#include "runtime/os_version.h"

namespace krv::os::optional_imports {
namespace {

optional_import_table g_table;

// The functions' types differ; GetProcAddress gives them all as FARPROC.
template <class F>
void look_up(F& entry, FARPROC function) {
  entry = reinterpret_cast<F>(reinterpret_cast<void*>(function));
}

}  // namespace

const optional_import_table& table() noexcept { return g_table; }

FARPROC kernel32_function(const char* name) noexcept {
  HMODULE kernel32 = GetModuleHandleW(L"KERNEL32.DLL");
  return kernel32 == nullptr ? nullptr : GetProcAddress(kernel32, name);
}

FARPROC ntdll_function(const char* name) noexcept {
  HMODULE ntdll = GetModuleHandleW(L"NTDLL.DLL");
  if (ntdll == nullptr) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return nullptr;
  }
  return GetProcAddress(ntdll, name);
}

void load(uint32_t version_class) noexcept {
  optional_import_table& t = g_table;
  look_up(t.is_wow64_process, kernel32_function("IsWow64Process"));
  if (process_is_wow64())
    look_up(t.wow64_enable_wow64_fs_redirection, kernel32_function("Wow64EnableWow64FsRedirection"));
  look_up(t.get_logical_processor_information, kernel32_function("GetLogicalProcessorInformation"));
  if (version_class >= version_class::nt6_2)
    look_up(t.prefetch_virtual_memory, kernel32_function("PrefetchVirtualMemory"));

  look_up(t.rtl_nt_status_to_dos_error, ntdll_function("RtlNtStatusToDosError"));
  look_up(t.nt_read_file, ntdll_function("NtReadFile"));
  look_up(t.nt_query_information_file, ntdll_function("NtQueryInformationFile"));
  look_up(t.nt_query_object, ntdll_function("NtQueryObject"));
  look_up(t.rtl_set_thread_error_mode, ntdll_function("RtlSetThreadErrorMode"));
  look_up(t.rtl_get_version, ntdll_function("RtlGetVersion"));
  look_up(t.rtl_pc_to_file_header, ntdll_function("RtlPcToFileHeader"));
  look_up(t.ldr_lock_loader_lock, ntdll_function("LdrLockLoaderLock"));
  look_up(t.ldr_unlock_loader_lock, ntdll_function("LdrUnlockLoaderLock"));
  look_up(t.nt_query_directory_file_ex, ntdll_function("NtQueryDirectoryFileEx"));
  look_up(t.nt_wow64_query_information_process64, ntdll_function("NtWow64QueryInformationProcess64"));
  look_up(t.nt_wow64_get_native_system_information, ntdll_function("NtWow64GetNativeSystemInformation"));
  look_up(t.nt_wow64_query_virtual_memory64, ntdll_function("NtWow64QueryVirtualMemory64"));
  look_up(t.nt_wow64_read_virtual_memory64, ntdll_function("NtWow64ReadVirtualMemory64"));
}

void clear() noexcept { g_table = optional_import_table(); }

bool process_is_wow64() noexcept {
  BOOL wow64 = FALSE;
  return g_table.is_wow64_process != nullptr && g_table.is_wow64_process(GetCurrentProcess(), &wow64) && wow64;
}

decltype(optional_import_table::rtl_get_version) rtl_get_version() noexcept {
  auto entry = g_table.rtl_get_version;
  if (entry == nullptr) look_up(entry, ntdll_function("RtlGetVersion"));
  return entry;
}

decltype(optional_import_table::rtl_pc_to_file_header) rtl_pc_to_file_header() noexcept {
  auto entry = g_table.rtl_pc_to_file_header;
  if (entry == nullptr) look_up(entry, ntdll_function("RtlPcToFileHeader"));
  return entry;
}

}  // namespace krv::os::optional_imports
