// A library that only reports that it was loaded. The end-to-end tests plant
// copies of it, named like system libraries, beside a package: when a process
// loads one, its DllMain creates "<its own path>.loaded", so the test sees
// which copy was taken from the package's folder.
#include <windows.h>

#include <cwchar>
#include <iterator>

BOOL WINAPI DllMain(HINSTANCE self, DWORD reason, LPVOID) {
  if (reason != DLL_PROCESS_ATTACH) return TRUE;
  constexpr wchar_t kSuffix[] = L".loaded";
  wchar_t path[MAX_PATH + std::size(kSuffix)];
  const DWORD n = GetModuleFileNameW(self, path, MAX_PATH);
  if (n == 0 || n >= MAX_PATH) return TRUE;
  std::wcscpy(path + n, kSuffix);
  const HANDLE marker = CreateFileW(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (marker != INVALID_HANDLE_VALUE) CloseHandle(marker);
  // Loaded all the same: a library that refused would hide a search that
  // reaches the package's folder behind a load failure.
  return TRUE;
}
