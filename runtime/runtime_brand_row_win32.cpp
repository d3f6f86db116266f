#include <windows.h>
#include <shlwapi.h>

#include <atomic>

#include "runtime/module_helpers.h"
#include "runtime/registry_helpers.h"
#include "runtime/runtime_brand_row.h"

namespace krv::os {
namespace {

// The chosen row plus one; 0 while none is chosen.
std::atomic<int> g_chosen{0};

std::wstring long_form(const std::wstring& path) {
  wchar_t buffer[MAX_PATH];
  const DWORD length = GetLongPathNameW(path.c_str(), buffer, MAX_PATH);
  return length == 0 || length >= MAX_PATH ? path : std::wstring(buffer, length);
}

int row_by_registered_folder(const std::wstring& image) {
  if (image.empty()) return -1;
  const std::wstring path = long_form(image);
  for (int row = 0; row < 2; ++row) {
    const runtime_brand_settings settings = runtime_brand_of_row(row);
    registry_key key;
    std::wstring folder;
    if (open_registry_key(nullptr, HKEY_LOCAL_MACHINE, settings.registry_key.c_str(), KEY_READ | kDefaultRegistryView,
                          &key) == ERROR_SUCCESS &&
        read_registry_string(key.get(), L"ProgramFolder", &folder) == ERROR_SUCCESS &&
        folder_holds_image(folder, path))
      return row;
  }
  return -1;
}

std::wstring image_of(HMODULE module) {
  std::wstring path;
  return module_file_name(module, false, &path) == ERROR_SUCCESS ? path : std::wstring();
}

}  // namespace

runtime_brand_settings choose_runtime_brand() {
  int row = g_chosen.load() - 1;
  if (row < 0) {
    const std::wstring process_image = image_of(nullptr);
    HMODULE self = module_of_running_code();
    const std::wstring module_image = self != nullptr ? image_of(self) : std::wstring();
    row = row_by_registered_folder(process_image);
    if (row < 0) row = row_by_registered_folder(module_image);
    if (row < 0 && !process_image.empty()) row = row_by_image_name(PathFindFileNameW(process_image.c_str()));
    if (row < 0 && !module_image.empty()) row = row_by_image_name(PathFindFileNameW(module_image.c_str()));
    if (row >= 0) g_chosen.store(row + 1);
  }
  return row >= 0 ? runtime_brand_of_row(row) : default_runtime_brand();
}

}  // namespace krv::os
