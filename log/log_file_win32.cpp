#include <windows.h>

#include "log/file_mutex_win32.h"
#include "log/file_rename_win32.h"
#include "log/log_file.h"
#include "log/random_uuid.h"
#include "runtime/exceptions.h"
#include "runtime/scoped_handle.h"

namespace krv::log {

namespace {

using exceptions::error;

constexpr DWORD kAccess = DELETE | FILE_READ_DATA | FILE_APPEND_DATA;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;
constexpr char kByteOrderMark[] = "\xEF\xBB\xBF";

// Rounds of "open, else create" before giving up: each round ends only
// because another process changed the file meanwhile (it created the file
// first, or the file found had no mark and was moved away).
constexpr int kOpenAttempts = 16;

[[noreturn]] void throw_last_error() { exceptions::throw_at(KRV_HERE, error(static_cast<int32_t>(GetLastError()))); }

os::scoped_handle open_file_handle(const std::wstring& path, DWORD access, DWORD disposition) {
  return os::scoped_handle(CreateFileW(path.c_str(), access, kShareAll, nullptr, disposition, FILE_ATTRIBUTE_NORMAL, nullptr));
}

// Marks the file of `handle` for deletion when its last handle closes.
// Keeps the thread's last error.
void delete_on_close(HANDLE handle) {
  DWORD last_error = GetLastError();
  FILE_DISPOSITION_INFO disposition{TRUE};
  SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof disposition);
  SetLastError(last_error);
}

std::wstring file_name_of(const std::wstring& full_path) {
  size_t slash = full_path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? full_path : full_path.substr(slash + 1);
}

std::wstring temporary_suffix() {
  std::string uuid = random_uuid();
  return L".tmp." + std::wstring(uuid.begin(), uuid.end());
}

std::wstring full_path_name(const std::wstring& path) {
  std::wstring full(MAX_PATH, L'\0');
  for (;;) {
    DWORD length = GetFullPathNameW(path.c_str(), static_cast<DWORD>(full.size()), &full[0], nullptr);
    if (length == 0) throw_last_error();
    if (length < full.size()) {
      full.resize(length);
      return full;
    }
    full.resize(length);
  }
}

// Whether the file of `handle` is the one now at `path`.
bool is_file_at(HANDLE handle, const std::wstring& path) {
  os::scoped_handle at_path = open_file_handle(path, FILE_READ_ATTRIBUTES, OPEN_EXISTING);
  BY_HANDLE_FILE_INFORMATION mine, theirs;
  if (!at_path.valid() || !GetFileInformationByHandle(handle, &mine) ||
      !GetFileInformationByHandle(at_path.get(), &theirs))
    return false;
  return mine.dwVolumeSerialNumber == theirs.dwVolumeSerialNumber && mine.nFileIndexHigh == theirs.nFileIndexHigh &&
         mine.nFileIndexLow == theirs.nFileIndexLow;
}

// Moves the file at `old_path` out of the way of a rename that failed on it
// because another process still holds it open: renamed aside and deleted
// once the last holder closes it. Returns whether the name is free now.
bool discard_blocking_file(const std::wstring& old_path) {
  os::scoped_handle old = open_file_handle(old_path, DELETE | FILE_READ_ATTRIBUTES, OPEN_EXISTING);
  if (!old.valid()) return GetLastError() == ERROR_FILE_NOT_FOUND;
  if (!rename_by_handle(old.get(), nt_path_beside(old_path, file_name_of(old_path) + temporary_suffix()), false))
    return false;
  delete_on_close(old.get());
  return true;
}

// Moves the open file at `full_path` to full_path + ".old", by way of a
// temporary name. Call under the FileMutex, after is_file_at. Returns
// false with the last error set when the file could not be moved; it is
// then back at `full_path` or, when even that failed, under its temporary
// name with its lines intact.
bool move_to_old(HANDLE handle, const std::wstring& full_path) {
  std::wstring name = file_name_of(full_path);
  if (!rename_by_handle(handle, nt_path_beside(full_path, name + temporary_suffix()), false)) return false;
  std::wstring old_name = nt_path_beside(full_path, name + L".old");
  if (rename_by_handle(handle, old_name, true)) return true;
  if (GetLastError() == ERROR_ACCESS_DENIED && discard_blocking_file(full_path + L".old") &&
      rename_by_handle(handle, old_name, true))
    return true;
  DWORD last_error = GetLastError();
  rename_by_handle(handle, nt_path_beside(full_path, name), false);
  SetLastError(last_error);
  return false;
}

// Creates a new temporary file beside `full_path`. A name already taken
// (another process drew the same value from an unseeded random source) is
// followed by the next one.
os::scoped_handle create_temporary(const std::wstring& full_path) {
  for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
    os::scoped_handle file = open_file_handle(full_path + temporary_suffix(), kAccess, CREATE_NEW);
    if (file.valid() || (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)) return file;
  }
  return os::scoped_handle();
}

// Creates the file at `full_path` with the byte order mark in it. Returns an
// empty handle when another process created the file first.
os::scoped_handle create_with_mark(const std::wstring& full_path) {
  os::scoped_handle file = create_temporary(full_path);
  if (!file.valid()) throw_last_error();
  // Deletes the temporary file on every way out but success.
  struct Discard {
    HANDLE handle;
    bool keep = false;
    ~Discard() {
      if (!keep) delete_on_close(handle);
    }
  } discard{file.get()};
  DWORD written = 0;
  if (!WriteFile(file.get(), kByteOrderMark, 3, &written, nullptr) || written != 3) throw_last_error();
  if (!rename_by_handle(file.get(), nt_path_beside(full_path, file_name_of(full_path)), false)) {
    if (GetLastError() == ERROR_ALREADY_EXISTS || GetLastError() == ERROR_FILE_EXISTS) return os::scoped_handle();
    throw_last_error();
  }
  discard.keep = true;
  return file;
}

bool has_mark(HANDLE handle) {
  char head[3] = {};
  DWORD read = 0;
  OVERLAPPED at_start{};
  if (!ReadFile(handle, head, 3, &read, &at_start)) {
    if (GetLastError() != ERROR_HANDLE_EOF) throw_last_error();
    read = 0;
  }
  return read == 3 && head[0] == kByteOrderMark[0] && head[1] == kByteOrderMark[1] && head[2] == kByteOrderMark[2];
}

os::scoped_handle open_or_create(const std::wstring& full_path) {
  for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
    os::scoped_handle file = open_file_handle(full_path, kAccess, OPEN_EXISTING);
    if (!file.valid()) {
      if (GetLastError() != ERROR_FILE_NOT_FOUND) throw_last_error();
      file = create_with_mark(full_path);
      // Lost the race to another creator: open the file it made rather than
      // keep the deleted temporary one.
      if (!file.valid()) continue;
    }
    if (has_mark(file.get())) return file;
    FileMutex mutex(full_path);
    FileMutexLock lock(mutex);
    if (is_file_at(file.get(), full_path)) move_to_old(file.get(), full_path);
  }
  exceptions::throw_at(KRV_HERE, error(ERROR_RETRY));
}

class WinLogFile : public LogFile {
 public:
  WinLogFile(std::wstring path, os::scoped_handle handle)
      : path_(std::move(path)), handle_(std::move(handle)), mutex_(path_) {}

  const std::wstring& path() const override { return path_; }

  void append(const std::string& bytes) override {
    FileMutexLock lock(mutex_);
    DWORD written = 0;
    if (!WriteFile(handle_.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
      throw_last_error();
  }

  uint64_t size() override {
    LARGE_INTEGER size;
    if (!GetFileSizeEx(handle_.get(), &size)) throw_last_error();
    return static_cast<uint64_t>(size.QuadPart);
  }

  void flush() override {
    if (!FlushFileBuffers(handle_.get())) throw_last_error();
  }

  std::unique_ptr<LogFile> rotate() override {
    {
      FileMutexLock lock(mutex_);
      // Another process may have moved it already: then the file at the path
      // is the new one, to be opened, not moved.
      if (is_file_at(handle_.get(), path_)) move_to_old(handle_.get(), path_);
    }
    return std::make_unique<WinLogFile>(path_, open_or_create(path_));
  }

 private:
  std::wstring path_;
  os::scoped_handle handle_;
  FileMutex mutex_;
};

}  // namespace

std::unique_ptr<LogFile> open_log_file(const std::wstring& path) {
  std::wstring full_path = full_path_name(path);
  return std::make_unique<WinLogFile>(full_path, open_or_create(full_path));
}

}  // namespace krv::log
