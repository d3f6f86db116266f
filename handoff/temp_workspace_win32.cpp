#include "handoff/temp_workspace.h"

#include <windows.h>

#include <cwchar>
#include <iterator>
#include <memory>

#include "handoff/file_removal.h"
#include "handoff/path_exists.h"
#include "handoff/private_folder.h"

namespace krv::handoff {
namespace {

// The longest workspace path, without the terminating zero.
constexpr size_t kMaxWorkspacePath = 520;
constexpr wchar_t kFallbackBase[] = L"C:\\TEMP";
constexpr wchar_t kNamePrefix[] = L"_ov_pkr.tm~";
// The prefix, a letter and five digits.
constexpr size_t kNameLength = std::size(kNamePrefix) - 1 + 6;

// The value of the variable `name`. `*present` is false when the read gives
// nothing (the variable is absent or empty); a value too long for the
// workspace buffer is present but comes back empty, as no usable path.
std::wstring ReadEnvironment(const wchar_t* name, bool* present) {
  wchar_t buffer[kMaxWorkspacePath + 1] = {};
  const DWORD n = GetEnvironmentVariableW(name, buffer, static_cast<DWORD>(std::size(buffer)));
  *present = n != 0;
  if (n == 0 || n > kMaxWorkspacePath) return {};
  return std::wstring(buffer, n);
}

bool EndsWithBackslash(const std::wstring& path) { return !path.empty() && path.back() == L'\\'; }

// TEMP, else TMP, else the fallback; the fallback too when the value is no
// folder or leaves no room for the workspace's name. Ends with a backslash.
std::wstring BaseFolder() {
  bool present = false;
  std::wstring base = ReadEnvironment(L"TEMP", &present);
  if (!present) base = ReadEnvironment(L"TMP", &present);
  if (!present) base = kFallbackBase;
  if (base.empty() || !PathExists(base)) base = kFallbackBase;
  if (!EndsWithBackslash(base)) base += L'\\';
  if (base.size() + kNameLength > kMaxWorkspacePath) base = std::wstring(kFallbackBase) + L'\\';
  // Only the fallback may be missing here; one level is enough for it.
  CreateDirectoryW(base.c_str(), nullptr);
  return base;
}

struct FindCloser {
  void operator()(HANDLE find) const { FindClose(find); }
};
using FindHandle = std::unique_ptr<void, FindCloser>;

bool IsDotEntry(const wchar_t* name) { return std::wcscmp(name, L".") == 0 || std::wcscmp(name, L"..") == 0; }

}  // namespace

std::wstring CreateTempWorkspace() {
  const std::wstring base = BaseFolder();
  wchar_t digits[8];
  std::swprintf(digits, std::size(digits), L"%05lu", static_cast<unsigned long>(GetCurrentThreadId() % 100000));
  for (wchar_t letter = L'a'; letter <= L'z'; ++letter) {
    std::wstring path = base + kNamePrefix + letter + digits;
    // Creating is the test: a folder someone else made, perhaps to plant
    // files in it, must not become ours. Ours is closed to other users from
    // the start, so nobody can put or swap anything inside.
    if (CreatePrivateFolder(path)) return path;
    const DWORD error = GetLastError();
    if (error != ERROR_ALREADY_EXISTS && error != ERROR_FILE_EXISTS) return {};
  }
  return {};
}

uint32_t DeleteDirectoryTree(const std::wstring& folder, const std::wstring& pattern, bool defer_to_reboot) {
  if (folder.empty()) return ERROR_INVALID_PARAMETER;
  const std::wstring dir = EndsWithBackslash(folder) ? folder : folder + L'\\';
  // A folder that is a link is removed as a link: listing it would reach
  // what it points to.
  const DWORD attributes = GetFileAttributesW(dir.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_REPARSE_POINT))
    return RemoveFileOrDefer(dir, defer_to_reboot);
  uint32_t code = 0;
  if (!pattern.empty()) {
    WIN32_FIND_DATAW entry;
    const HANDLE first = FindFirstFileW((dir + pattern).c_str(), &entry);
    const FindHandle find(first == INVALID_HANDLE_VALUE ? nullptr : first);
    for (bool more = find != nullptr; more; more = FindNextFileW(find.get(), &entry) != 0) {
      if (IsDotEntry(entry.cFileName)) continue;
      const std::wstring path = dir + entry.cFileName;
      const bool descend = (entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                           !(entry.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT);
      code = descend ? DeleteDirectoryTree(path, pattern, defer_to_reboot) : RemoveFileOrDefer(path, defer_to_reboot);
    }
  }
  if (defer_to_reboot)
    RemoveFileOrDefer(dir, true);
  else
    RemoveDirectoryW(dir.c_str());
  return code;
}

}  // namespace krv::handoff
