#include <windows.h>

#include "runtime/scoped_handle.h"
#include "sfxarc/output_file.h"

namespace krv::sfxarc {
namespace {

// 100-ns intervals between 1601-01-01 and 1970-01-01.
constexpr int64_t kUnixEpochInFileTime = 116444736000000000LL;

}  // namespace

std::wstring SystemPath(const std::wstring& path) { return path; }

bool SetFileTimes(const std::wstring& path, int64_t seconds) {
  const os::scoped_handle file(CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES,
                                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
  if (!file.valid()) return false;
  const uint64_t ticks = static_cast<uint64_t>(seconds * 10000000LL + kUnixEpochInFileTime);
  FILETIME time;
  time.dwLowDateTime = static_cast<DWORD>(ticks);
  time.dwHighDateTime = static_cast<DWORD>(ticks >> 32);
  return SetFileTime(file.get(), nullptr, &time, &time) != FALSE;
}

bool PathExists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

bool IsLink(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

void ClearFileAttributes(const std::wstring& path) { SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL); }

bool DeleteOutputFile(const std::wstring& path) { return DeleteFileW(path.c_str()) != FALSE; }

}  // namespace krv::sfxarc
