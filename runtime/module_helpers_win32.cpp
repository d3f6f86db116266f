#include "runtime/module_helpers.h"

#include <vector>

#include "runtime/optional_imports.h"

namespace krv::os {
namespace {

constexpr DWORD kLongPathChars = 0x8000;

}  // namespace

uint32_t module_file_name(HMODULE module, bool short_path, std::wstring* out) {
  if (out == nullptr) return ERROR_INVALID_PARAMETER;
  std::vector<wchar_t> buffer(kLongPathChars);
  const DWORD length = GetModuleFileNameW(module, buffer.data(), kLongPathChars);
  if (length == 0 || length >= kLongPathChars) return length == 0 ? GetLastError() : ERROR_INSUFFICIENT_BUFFER;
  std::wstring path(buffer.data(), length);
  if (short_path) {
    const DWORD short_length = GetShortPathNameW(path.c_str(), buffer.data(), kLongPathChars);
    if (short_length != 0 && short_length < kLongPathChars) path.assign(buffer.data(), short_length);
  }
  if (GetFileAttributesW(path.c_str()) == INVALID_FILE_ATTRIBUTES) return GetLastError();
  *out = std::move(path);
  return ERROR_SUCCESS;
}

HMODULE module_of_running_code() noexcept {
  const auto pc_to_file_header = optional_imports::rtl_pc_to_file_header();
  if (pc_to_file_header == nullptr) return nullptr;
  void* base = nullptr;
  pc_to_file_header(reinterpret_cast<void*>(&module_of_running_code), &base);
  return static_cast<HMODULE>(base);
}

}  // namespace krv::os
