#include "handoff/file_removal.h"

#include <windows.h>

#include "handoff/handoff_log.h"
#include "handoff/path_exists.h"
#include "handoff/path_itself.h"
#include "handoff/shared_dlls.h"
#include "runtime/error_code_text.h"

namespace krv::handoff {
namespace {

constexpr int kDeleteAttempts = 10;
constexpr uint32_t kPauseBetweenAttemptsMs = 200;
// Attributes kept when a path is marked for deletion at restart: hidden,
// system, archive, temporary, offline, not content indexed. Read-only goes,
// or the deletion at restart would fail.
constexpr DWORD kAttributesKeptForRestart = 0x3126;

void SystemSleep(uint32_t milliseconds) { Sleep(milliseconds); }

RemovalSleep g_sleep = SystemSleep;

// Sets the attributes of the file or folder behind `handle`; 0 would leave
// them unchanged, so none becomes FILE_ATTRIBUTE_NORMAL.
bool SetAttributes(HANDLE handle, DWORD attributes) {
  FILE_BASIC_INFO basic = {};
  basic.FileAttributes = attributes ? attributes : FILE_ATTRIBUTE_NORMAL;
  return SetFileInformationByHandle(handle, FileBasicInfo, &basic, sizeof basic) != 0;
}

uint32_t MarkForDeletionAtRestart(const std::wstring& path) {
  // The attributes are those of the path itself: a link's target keeps its
  // own. A path the system resolves elsewhere is not marked at all.
  const os::scoped_handle item = OpenPathItself(path, FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES);
  FILE_BASIC_INFO basic = {};
  if (!item.valid() ||
      !GetFileInformationByHandleEx(item.get(), FileBasicInfo, &basic, sizeof basic) ||
      !SetAttributes(item.get(), basic.FileAttributes & kAttributesKeptForRestart) ||
      !MoveFileExW(path.c_str(), nullptr, MOVEFILE_REPLACE_EXISTING | MOVEFILE_DELAY_UNTIL_REBOOT)) {
    const DWORD error = GetLastError();
    log::write_log(log::kError, kFilehlp, L"OpOnReboot: MoveFileEx('%ls') failed, code %ls", path.c_str(),
                   krv::FormatErrorCode(error).c_str());
    return error;
  }
  log::write_log(log::kInfo, kFilehlp, L"OpOnReboot: MoveFileEx('%ls') successfully performed.", path.c_str());
  return 0;
}

// One attempt, through one handle of the path itself: a link is deleted as
// the link, never what it points to. Clears the attributes (so read-only
// files go too) and deletes; a folder must be empty.
bool DeleteOnce(const std::wstring& path) {
  const os::scoped_handle item = OpenPathItself(path, DELETE | FILE_READ_ATTRIBUTES | FILE_WRITE_ATTRIBUTES);
  if (!item.valid()) return false;
  SetAttributes(item.get(), 0);
  FILE_DISPOSITION_INFO disposition = {TRUE};
  return SetFileInformationByHandle(item.get(), FileDispositionInfo, &disposition, sizeof disposition) != 0;
}

uint32_t DeleteNow(const std::wstring& path) {
  DWORD error = 0;
  for (int attempt = 1;; ++attempt) {
    // A path that vanished between attempts was not deleted by us: that
    // counts as a failure, with the error of the existence check.
    if (!PathExists(path)) {
      error = GetLastError();
      break;
    }
    if (DeleteOnce(path)) {
      log::write_log(log::kInfo, kFilehlp, L"OpOnReboot: Direct delete of file '%ls' successfully performed.",
                     path.c_str());
      return 0;
    }
    error = GetLastError();
    // A path the system resolves elsewhere stays so: no use waiting.
    if (attempt == kDeleteAttempts || error == ERROR_CANT_ACCESS_FILE) break;
    g_sleep(kPauseBetweenAttemptsMs);
  }
  log::write_log(log::kError, kFilehlp, L"OpOnReboot: Cannot directly delete file '%ls', code %ls", path.c_str(),
                 krv::FormatErrorCode(error).c_str());
  return error;
}

}  // namespace

uint32_t OpOnReboot(const std::wstring& path, bool defer_to_reboot) {
  if (!PathExists(path)) return ERROR_FILE_NOT_FOUND;
  return defer_to_reboot ? MarkForDeletionAtRestart(path) : DeleteNow(path);
}

uint32_t RemoveFileOrDefer(const std::wstring& path, bool defer_to_reboot) {
  if (!PathExists(path)) return 0;
  uint32_t shared_count = 0;
  if (GetValueImpl(path, &shared_count) && shared_count != 0) {
    log::write_log(log::kWarning, kFilehlp, L"Ignoring remove shared file: %ls", path.c_str());
    return 0;
  }
  const uint32_t code = OpOnReboot(path, defer_to_reboot);
  return code == ERROR_FILE_NOT_FOUND ? 0 : code;
}

ScopedRemovalSleep::ScopedRemovalSleep(RemovalSleep sleep) : previous_(g_sleep) { g_sleep = sleep; }
ScopedRemovalSleep::~ScopedRemovalSleep() { g_sleep = previous_; }

}  // namespace krv::handoff
