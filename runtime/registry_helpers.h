#pragma once
// Registry helpers of the runtime (Windows only): keys opened by hive name and
// string values read whole. They return Windows error codes (0 for success)
// and never raise exceptions.

#include <windows.h>

#include <string>

namespace krv::os {

// An open registry key, closed with RegCloseKey when the owner goes.
class registry_key {
 public:
  registry_key() noexcept = default;
  ~registry_key() { reset(); }
  registry_key(registry_key&& other) noexcept : key_(other.key_) { other.key_ = nullptr; }
  registry_key& operator=(registry_key&& other) noexcept;
  registry_key(const registry_key&) = delete;
  registry_key& operator=(const registry_key&) = delete;

  HKEY get() const noexcept { return key_; }
  bool valid() const noexcept { return key_ != nullptr; }
  // Closes the held key and takes `key`.
  void reset(HKEY key = nullptr) noexcept;

 private:
  HKEY key_ = nullptr;
};

// The process's default registry view, in the build that ships. The shipped
// stub is a 32-bit process, whose default view on 64-bit Windows is the
// 32-bit one; the x86_64 twin that runs the tests asks for that view
// explicitly, so both builds read the same keys where the code means "the
// process's default view".
#if defined(_WIN64)
constexpr REGSAM kDefaultRegistryView = KEY_WOW64_32KEY;
#else
constexpr REGSAM kDefaultRegistryView = 0;
#endif

// The view flag for our own keys below HKEY_CLASSES_ROOT that the shipped
// stub opens in the 32-bit view. Such keys are shared by both views (on
// 64-bit Windows since Windows 7, and in Wine): a 32-bit process finds them
// there even when it asks for the 32-bit view. A 64-bit process that asks for
// the 32-bit view is sent to Classes\Wow6432Node by Wine instead, so the
// x86_64 twin asks for no view and opens the key the shipped stub opens.
#if defined(_WIN64)
constexpr REGSAM kClassesRoot32View = 0;
#else
constexpr REGSAM kClassesRoot32View = KEY_WOW64_32KEY;
#endif

// Opens `subkey` below a hive given by handle (`hive`, when not null) or by
// name (`hive_name`: exactly "HKEY_LOCAL_MACHINE", "HKEY_CURRENT_USER",
// "HKEY_CLASSES_ROOT" or "HKEY_USERS", letter case counting). Returns 87 for
// any other name, a null subkey or output, or neither name nor handle;
// otherwise RegOpenKeyExW's result. `out` is changed only on success.
uint32_t open_registry_key(const wchar_t* hive_name, HKEY hive, const wchar_t* subkey, REGSAM access,
                           registry_key* out);

// Reads the string value `value_name` of `key` ("" names the key's default
// value) into `out`. Accepts REG_SZ and REG_EXPAND_SZ with an even byte count
// (REG_EXPAND_SZ expanded against the environment); the text is cut at its
// first zero character. The first query uses a buffer of 520 bytes; a longer
// value is read by a second query into a buffer of the reported size plus 2
// bytes. Returns 0; 87 for a null key, value name or output; 13
// (ERROR_INVALID_DATA) for another type or an odd size; 8 when the larger
// buffer cannot be allocated; else the query's error (2 for a missing value).
// `out` is changed only on success; the last error is left unchanged.
uint32_t read_registry_string(HKEY key, const wchar_t* value_name, std::wstring* out);

// The same for a value of the key `subkey` below HKEY_LOCAL_MACHINE, opened
// for KEY_QUERY_VALUE with the view flag `view` (0, KEY_WOW64_32KEY or
// KEY_WOW64_64KEY). Returns the open's error when the key cannot be opened.
uint32_t read_machine_string(const wchar_t* subkey, const wchar_t* value_name, REGSAM view, std::wstring* out);

namespace testing {

// The registry query that read_registry_string calls (RegQueryValueExW's
// signature).
using registry_query_function = LSTATUS(WINAPI*)(HKEY, LPCWSTR, LPDWORD, LPDWORD, LPBYTE, LPDWORD);

// Replaces the query for the guard's lifetime, so a test can count the
// queries a read makes; restores the previous one when it goes.
class scoped_registry_query {
 public:
  explicit scoped_registry_query(registry_query_function query) noexcept;
  ~scoped_registry_query();
  scoped_registry_query(const scoped_registry_query&) = delete;
  scoped_registry_query& operator=(const scoped_registry_query&) = delete;

 private:
  registry_query_function previous_;
};

}  // namespace testing
}  // namespace krv::os
