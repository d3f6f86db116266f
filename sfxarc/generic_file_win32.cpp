// CGenericFile's system calls on Windows: a file handle, ReadFile at an
// offset, and views of one read-only section.

#include <windows.h>

#include "runtime/optional_imports.h"
#include "sfxarc/extended_path.h"
#include "sfxarc/generic_file.h"
#include "sfxarc/generic_file_os.h"

namespace krv::root::os {
namespace {

// Switches 32-bit file-system redirection off for its lifetime when the
// runtime found the switch (a 32-bit process on 64-bit Windows, after the
// runtime's full initialisation), so that the path given is opened, not its
// redirected twin. Keeps the last error.
class RedirectionOff {
 public:
  RedirectionOff() : enable_(krv::os::optional_imports::table().wow64_enable_wow64_fs_redirection) {
    if (!enable_) return;
    const DWORD saved = GetLastError();
    active_ = enable_(FALSE) != FALSE;
    SetLastError(saved);
  }
  ~RedirectionOff() {
    if (!active_) return;
    const DWORD saved = GetLastError();
    enable_(TRUE);
    SetLastError(saved);
  }
  RedirectionOff(const RedirectionOff&) = delete;
  RedirectionOff& operator=(const RedirectionOff&) = delete;

 private:
  decltype(krv::os::optional_import_table::wow64_enable_wow64_fs_redirection) enable_;
  bool active_ = false;
};

HANDLE AsHandle(intptr_t handle) { return reinterpret_cast<HANDLE>(handle); }

}  // namespace

uint32_t OpenForReading(const std::wstring& path, OpenedFile* out) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DEVICE) != 0) {
    return CGenericFile::kErrorDevicePath;
  }
  const std::wstring name = ToExtendedLengthPath(path);
  HANDLE file;
  {
    RedirectionOff redirection_off;
    file = CreateFileW(name.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0,
                       nullptr);
  }
  if (file == INVALID_HANDLE_VALUE) return GetLastError();
  // All bits set: reading through this handle leaves the last-access time as
  // it was. Without write-attribute access the system may refuse; that only
  // costs the time stamp.
  FILETIME keep;
  keep.dwLowDateTime = 0xFFFFFFFF;
  keep.dwHighDateTime = 0xFFFFFFFF;
  SetFileTime(file, nullptr, &keep, nullptr);
  LARGE_INTEGER size;
  if (!GetFileSizeEx(file, &size)) {
    const DWORD error = GetLastError();
    CloseHandle(file);
    return error;
  }
  out->handle = reinterpret_cast<intptr_t>(file);
  out->attributes = attributes == INVALID_FILE_ATTRIBUTES ? 0 : attributes;
  out->size = (out->attributes & FILE_ATTRIBUTE_DIRECTORY) != 0 ? 0 : uint64_t(size.QuadPart);
  return 0;
}

uint32_t ReadAt(intptr_t handle, uint64_t offset, void* buffer, uint32_t n, uint32_t* done) {
  OVERLAPPED at = {};
  at.Offset = DWORD(offset);
  at.OffsetHigh = DWORD(offset >> 32);
  DWORD got = 0;
  if (!ReadFile(AsHandle(handle), buffer, n, &got, &at)) {
    const DWORD error = GetLastError();
    *done = 0;
    return error == ERROR_HANDLE_EOF ? 0 : error;
  }
  *done = got;
  return 0;
}

uint32_t AllocationGranularity() {
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  return info.dwAllocationGranularity;
}

uint32_t MapView(intptr_t handle, intptr_t* mapping, uint64_t start, uint32_t length, const uint8_t** view) {
  if (*mapping == 0) {
    HANDLE section = CreateFileMappingW(AsHandle(handle), nullptr, PAGE_READONLY, 0, 0, nullptr);
    if (!section) return GetLastError();
    *mapping = reinterpret_cast<intptr_t>(section);
  }
  void* p = MapViewOfFile(AsHandle(*mapping), FILE_MAP_READ, DWORD(start >> 32), DWORD(start), length);
  if (!p) return GetLastError();
  *view = static_cast<const uint8_t*>(p);
  return 0;
}

void UnmapView(const uint8_t* view, uint32_t) { UnmapViewOfFile(view); }

void Close(intptr_t handle, intptr_t mapping) {
  if (mapping != 0) CloseHandle(AsHandle(mapping));
  CloseHandle(AsHandle(handle));
}

}  // namespace krv::root::os
