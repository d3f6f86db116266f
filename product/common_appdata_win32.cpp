#include <windows.h>
#include <shlobj.h>

#include "product/product_folders.h"

namespace krv::product {

std::wstring CommonAppDataFolder() {
  wchar_t path[MAX_PATH] = {};
  if (SUCCEEDED(SHGetFolderPathW(nullptr, CSIDL_COMMON_APPDATA, nullptr, SHGFP_TYPE_CURRENT, path))) return path;
  // The shell can fail early in a session; the same folder is recorded here.
  DWORD size = sizeof(path);
  if (RegGetValueW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Explorer\\Shell Folders",
                   L"Common AppData", RRF_RT_REG_SZ, nullptr, path, &size) == ERROR_SUCCESS)
    return path;
  return {};
}

}  // namespace krv::product
