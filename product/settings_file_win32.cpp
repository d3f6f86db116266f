#include <windows.h>

#include <new>
#include <vector>

#include "product/settings_file.h"
#include "runtime/scoped_handle.h"

namespace krv::product {
namespace {

// Holds a shared lock on the first 4 GiB of a file while alive, so no writer
// holds an exclusive lock over the read; writers that lock wait for it.
class SharedFileLock {
 public:
  explicit SharedFileLock(HANDLE file) : file_(file) {
    locked_ = LockFileEx(file_, 0, 0, 0xFFFFFFFF, 0, &overlapped_) != FALSE;
  }
  ~SharedFileLock() {
    if (locked_) UnlockFileEx(file_, 0, 0xFFFFFFFF, 0, &overlapped_);
  }
  SharedFileLock(const SharedFileLock&) = delete;
  SharedFileLock& operator=(const SharedFileLock&) = delete;
  bool locked() const { return locked_; }

 private:
  HANDLE file_;
  OVERLAPPED overlapped_ = {};
  bool locked_ = false;
};

DWORD ReadWholeFile(HANDLE file, std::vector<uint8_t>* data) {
  LARGE_INTEGER size = {};
  if (!GetFileSizeEx(file, &size)) return GetLastError();
  if (size.QuadPart > SettingsFile::kMaxFileSize) return ERROR_FILE_TOO_LARGE;
  data->resize(size.LowPart);
  DWORD read = 0;
  if (size.LowPart != 0 && !ReadFile(file, data->data(), size.LowPart, &read, nullptr)) return GetLastError();
  data->resize(read);
  return ERROR_SUCCESS;
}

}  // namespace

bool SettingsFile::Load(const std::wstring& path) {
  root_ = SettingsSection();
  DWORD error;
  {
    os::scoped_handle file(CreateFileW(path.c_str(), FILE_READ_DATA,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                       OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.valid()) {
      error = GetLastError();
    } else {
      SharedFileLock lock(file.get());
      if (!lock.locked()) {
        error = GetLastError();
      } else {
        try {
          std::vector<uint8_t> data;
          if ((error = ReadWholeFile(file.get(), &data)) == ERROR_SUCCESS) Parse(data.data(), data.size());
        } catch (const std::bad_alloc&) {
          error = ERROR_NOT_ENOUGH_MEMORY;
        }
      }
    }
  }
  // A failed read leaves no sections, also when parsing stopped half-way.
  if (error != ERROR_SUCCESS) root_ = SettingsSection();
  SetLastError(error);
  return error == ERROR_SUCCESS;
}

std::wstring ReadString(const std::wstring& file, const std::wstring& section_path, const std::wstring& key,
                        const std::wstring& default_value) {
  SetLastError(ERROR_SUCCESS);
  SettingsFile settings;
  if (!settings.Load(file)) return default_value;
  return settings.Section(section_path).GetString(key, default_value);
}

}  // namespace krv::product
