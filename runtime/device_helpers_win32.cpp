#include "runtime/device_helpers.h"

#include <string>

namespace krv::os {
namespace {

// The device path's limit, kept from the product's other modules so that
// every module opens the same device for the same name.
constexpr size_t kDevicePathChars = 191;

}  // namespace

uint32_t open_device(const wchar_t* name, scoped_handle* out) {
  if (name == nullptr || out == nullptr) return ERROR_BAD_ARGUMENTS;
  out->reset();
  std::wstring path = std::wstring(L"\\\\.\\") + name;
  if (path.size() > kDevicePathChars) path.resize(kDevicePathChars);
  HANDLE handle = CreateFileW(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return GetLastError();
  out->reset(handle);
  return ERROR_SUCCESS;
}

}  // namespace krv::os
