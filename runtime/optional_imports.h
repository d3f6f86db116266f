#pragma once
// Kernel and native functions that older systems lack, looked up at run time
// instead of imported (Windows only). Every entry may be null: a user checks
// it and takes the documented fallback. The table is filled once, on the main
// thread, by the runtime's full initialisation and read-only afterwards.

#include <windows.h>

#include <cstdint>

namespace krv::os {

using NtStatus = LONG;

struct optional_import_table {
  // "KERNEL32.DLL". Null: the process is not under WOW64.
  BOOL(WINAPI* is_wow64_process)(HANDLE, PBOOL) = nullptr;
  // Looked up only under WOW64. Null: file-system redirection is not switched.
  BOOLEAN(WINAPI* wow64_enable_wow64_fs_redirection)(BOOLEAN) = nullptr;
  // Null: the processor count of GetSystemInfo stands, cores = logical count.
  BOOL(WINAPI* get_logical_processor_information)(PSYSTEM_LOGICAL_PROCESSOR_INFORMATION, PDWORD) = nullptr;
  // Looked up from version class 15 (Windows 8) on. Null: no prefetch. The
  // third parameter is a WIN32_MEMORY_RANGE_ENTRY array.
  BOOL(WINAPI* prefetch_virtual_memory)(HANDLE, ULONG_PTR, void*, ULONG) = nullptr;

  // "NTDLL.DLL".
  ULONG(WINAPI* rtl_nt_status_to_dos_error)(NtStatus) = nullptr;
  NtStatus(NTAPI* nt_read_file)(HANDLE, HANDLE, void*, void*, void*, void*, ULONG, PLARGE_INTEGER, PULONG) = nullptr;
  NtStatus(NTAPI* nt_query_information_file)(HANDLE, void*, void*, ULONG, int) = nullptr;
  NtStatus(NTAPI* nt_query_object)(HANDLE, int, void*, ULONG, PULONG) = nullptr;
  NtStatus(NTAPI* rtl_set_thread_error_mode)(ULONG, PULONG) = nullptr;
  NtStatus(NTAPI* rtl_get_version)(OSVERSIONINFOW*) = nullptr;
  PVOID(NTAPI* rtl_pc_to_file_header)(PVOID, PVOID*) = nullptr;
  NtStatus(NTAPI* ldr_lock_loader_lock)(ULONG, PULONG, PULONG_PTR) = nullptr;
  NtStatus(NTAPI* ldr_unlock_loader_lock)(ULONG, ULONG_PTR) = nullptr;
  NtStatus(NTAPI* nt_query_directory_file_ex)(HANDLE, HANDLE, void*, void*, void*, void*, ULONG, int, ULONG,
                                              void*) = nullptr;
  NtStatus(NTAPI* nt_wow64_query_information_process64)(HANDLE, int, void*, ULONG, PULONG) = nullptr;
  NtStatus(NTAPI* nt_wow64_get_native_system_information)(ULONG, void*, ULONG, PULONG) = nullptr;
  NtStatus(NTAPI* nt_wow64_query_virtual_memory64)(HANDLE, ULONG64, int, void*, ULONG64, PULONG64) = nullptr;
  NtStatus(NTAPI* nt_wow64_read_virtual_memory64)(HANDLE, ULONG64, void*, ULONG64, PULONG64) = nullptr;
};

namespace optional_imports {

// The process-wide table.
const optional_import_table& table() noexcept;

// Fills the table: every function of the table, the WOW64 redirection switch
// only when IsWow64Process reports WOW64, PrefetchVirtualMemory only for a
// `version_class` of 15 or higher. Missing modules and functions leave their
// entries null.
void load(uint32_t version_class) noexcept;

// Empties every entry.
void clear() noexcept;

// Whether IsWow64Process exists and reports a 32-bit process on a 64-bit
// system.
bool process_is_wow64() noexcept;

// A function of "KERNEL32.DLL" by name; null when it is missing. Touches no
// state of the runtime, so the process entry may call it before the C
// runtime has started.
FARPROC kernel32_function(const char* name) noexcept;

// A function of "NTDLL.DLL" by name; null, with the last error set to
// ERROR_MOD_NOT_FOUND when NTDLL.DLL is not loaded (else GetProcAddress's).
FARPROC ntdll_function(const char* name) noexcept;

// RtlGetVersion and RtlPcToFileHeader: the table's entry, or looked up now
// when the table is still empty (before the full initialisation). Null when
// the function is missing.
decltype(optional_import_table::rtl_get_version) rtl_get_version() noexcept;
decltype(optional_import_table::rtl_pc_to_file_header) rtl_pc_to_file_header() noexcept;

}  // namespace optional_imports
}  // namespace krv::os
