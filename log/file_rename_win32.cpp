#include "log/file_rename_win32.h"

#include <cstring>

#include "runtime/exceptions.h"

namespace krv::log {

namespace {

using exceptions::error;

constexpr ULONG kFileRenameInformation = 10;

// FILE_RENAME_INFORMATION with room for the longest name (532 bytes in the
// 32-bit build).
struct RenameInformation {
  BOOLEAN replace_if_exists;
  HANDLE root_directory;
  ULONG file_name_length;
  WCHAR file_name[kMaxRenameName];
};

struct IoStatusBlock {
  union {
    LONG status;
    PVOID pointer;
  };
  ULONG_PTR information;
};

using NtSetInformationFileFn = LONG(NTAPI*)(HANDLE, IoStatusBlock*, PVOID, ULONG, ULONG);
using RtlNtStatusToDosErrorFn = ULONG(NTAPI*)(LONG);

}  // namespace

bool rename_by_handle(HANDLE file, const std::wstring& new_name, bool replace) {
  if (file == nullptr || file == INVALID_HANDLE_VALUE || new_name.empty()) exceptions::throw_at(KRV_HERE, error(87));
  if (new_name.size() > kMaxRenameName) exceptions::throw_at(KRV_HERE, error(ERROR_BUFFER_OVERFLOW));
  // Looked up on every call: ntdll is always loaded, and nothing is cached
  // across a module unload.
  HMODULE ntdll = GetModuleHandleW(L"ntdll");
  if (ntdll == nullptr) exceptions::throw_at(KRV_HERE, error(static_cast<int32_t>(GetLastError()), "GetModuleHandleW (%s)", "ntdll"));
  auto set_information =
      reinterpret_cast<NtSetInformationFileFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "NtSetInformationFile")));
  if (set_information == nullptr)
    exceptions::throw_at(KRV_HERE, error(static_cast<int32_t>(GetLastError()), "GetProcAddress (%s)", "NtSetInformationFile"));

  RenameInformation info{};
  info.replace_if_exists = replace ? TRUE : FALSE;
  info.root_directory = nullptr;
  info.file_name_length = static_cast<ULONG>(new_name.size() * sizeof(WCHAR));
  std::memcpy(info.file_name, new_name.data(), info.file_name_length);
  IoStatusBlock io{};
  LONG status = set_information(file, &io, &info, sizeof info, kFileRenameInformation);
  if (status == 0) return true;
  auto to_dos_error =
      reinterpret_cast<RtlNtStatusToDosErrorFn>(reinterpret_cast<void*>(GetProcAddress(ntdll, "RtlNtStatusToDosError")));
  SetLastError(to_dos_error != nullptr ? to_dos_error(status) : ERROR_GEN_FAILURE);
  return false;
}

std::wstring nt_path_beside(const std::wstring& full_path, const std::wstring& name) {
  size_t slash = full_path.find_last_of(L"\\/");
  std::wstring folder = slash == std::wstring::npos ? std::wstring() : full_path.substr(0, slash + 1);
  if (folder.compare(0, 4, L"\\\\?\\") == 0 || folder.compare(0, 4, L"\\\\.\\") == 0) {
    folder = L"\\??\\" + folder.substr(4);
  } else if (folder.compare(0, 2, L"\\\\") == 0) {
    folder = L"\\??\\UNC\\" + folder.substr(2);
  } else {
    folder = L"\\??\\" + folder;
  }
  return folder + name;
}

}  // namespace krv::log
