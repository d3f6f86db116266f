#include "runtime/registry_helpers.h"

#include <cwchar>
#include <memory>
#include <new>

namespace krv::os {
namespace {

// The first read's buffer: 260 characters, enough for any folder path.
constexpr DWORD kFirstReadBytes = 520;

testing::registry_query_function g_query = RegQueryValueExW;

HKEY hive_by_name(const wchar_t* name) {
  struct Hive {
    const wchar_t* name;
    HKEY key;
  };
  static const Hive kHives[] = {{L"HKEY_LOCAL_MACHINE", HKEY_LOCAL_MACHINE},
                                {L"HKEY_CURRENT_USER", HKEY_CURRENT_USER},
                                {L"HKEY_CLASSES_ROOT", HKEY_CLASSES_ROOT},
                                {L"HKEY_USERS", HKEY_USERS}};
  for (const Hive& hive : kHives)
    if (std::wcscmp(name, hive.name) == 0) return hive.key;
  return nullptr;
}

// Turns the raw data of a string value into text. Returns 0, 13 for data
// that is not a string value, or the expansion's error.
uint32_t text_from_data(DWORD type, const BYTE* data, DWORD size, std::wstring* out) {
  if ((type != REG_SZ && type != REG_EXPAND_SZ) || size % 2 != 0) return ERROR_INVALID_DATA;
  std::wstring text(size / 2, L'\0');
  for (size_t i = 0; i < text.size(); ++i)
    text[i] = static_cast<wchar_t>(data[2 * i] | (data[2 * i + 1] << 8));
  text.resize(std::wcslen(text.c_str()));
  if (type == REG_EXPAND_SZ) {
    const DWORD needed = ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
    if (needed == 0) return GetLastError();
    std::wstring expanded(needed, L'\0');
    if (ExpandEnvironmentStringsW(text.c_str(), expanded.data(), needed) == 0) return GetLastError();
    expanded.resize(std::wcslen(expanded.c_str()));
    text = std::move(expanded);
  }
  *out = std::move(text);
  return ERROR_SUCCESS;
}

}  // namespace

registry_key& registry_key::operator=(registry_key&& other) noexcept {
  if (this != &other) {
    reset(other.key_);
    other.key_ = nullptr;
  }
  return *this;
}

void registry_key::reset(HKEY key) noexcept {
  if (key_ != nullptr) RegCloseKey(key_);
  key_ = key;
}

uint32_t open_registry_key(const wchar_t* hive_name, HKEY hive, const wchar_t* subkey, REGSAM access,
                           registry_key* out) {
  if (subkey == nullptr || out == nullptr) return ERROR_INVALID_PARAMETER;
  if (hive == nullptr) {
    if (hive_name == nullptr || (hive = hive_by_name(hive_name)) == nullptr) return ERROR_INVALID_PARAMETER;
  }
  HKEY key = nullptr;
  const LSTATUS status = RegOpenKeyExW(hive, subkey, 0, access, &key);
  if (status != ERROR_SUCCESS) return static_cast<uint32_t>(status);
  out->reset(key);
  return ERROR_SUCCESS;
}

uint32_t read_registry_string(HKEY key, const wchar_t* value_name, std::wstring* out) {
  if (key == nullptr || value_name == nullptr || out == nullptr) return ERROR_INVALID_PARAMETER;
  const DWORD saved = GetLastError();
  BYTE first[kFirstReadBytes];
  DWORD type = 0;
  DWORD size = sizeof(first);
  LSTATUS status = g_query(key, value_name, nullptr, &type, first, &size);
  uint32_t result;
  if (status == ERROR_SUCCESS) {
    result = text_from_data(type, first, size, out);
  } else if (status == ERROR_MORE_DATA) {
    // The reported size is that of the value now; the extra two bytes leave
    // room for a terminator the stored value may lack.
    DWORD capacity = size + 2;
    std::unique_ptr<BYTE[]> data(new (std::nothrow) BYTE[capacity]);
    if (!data) {
      result = ERROR_NOT_ENOUGH_MEMORY;
    } else {
      size = capacity;
      status = g_query(key, value_name, nullptr, &type, data.get(), &size);
      result = status == ERROR_SUCCESS ? text_from_data(type, data.get(), size, out) : static_cast<uint32_t>(status);
    }
  } else {
    result = static_cast<uint32_t>(status);
  }
  SetLastError(saved);
  return result;
}

uint32_t read_machine_string(const wchar_t* subkey, const wchar_t* value_name, REGSAM view, std::wstring* out) {
  registry_key key;
  const uint32_t opened = open_registry_key(nullptr, HKEY_LOCAL_MACHINE, subkey, KEY_QUERY_VALUE | view, &key);
  if (opened != ERROR_SUCCESS) return opened;
  return read_registry_string(key.get(), value_name, out);
}

namespace testing {

scoped_registry_query::scoped_registry_query(registry_query_function query) noexcept : previous_(g_query) {
  g_query = query;
}

scoped_registry_query::~scoped_registry_query() { g_query = previous_; }

}  // namespace testing
}  // namespace krv::os
