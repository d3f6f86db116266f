// The runtime's registry helpers under Wine: keys by hive name and string
// values of every size and type.
#include "runtime/registry_helpers.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/product/registry_fixture.h"

namespace krv::os {
namespace {

using krv::testing::ScratchKey;

std::wstring TestKeyPath() { return L"Software\\krv-tests\\registry-" + std::to_wstring(GetCurrentProcessId()); }

TEST(OpenRegistryKey, HiveNamesAndRefusals) {
  ScratchKey scratch(HKEY_CURRENT_USER, TestKeyPath(), 0);
  const std::wstring path = TestKeyPath();
  registry_key key;
  EXPECT_EQ(open_registry_key(L"HKEY_CURRENT_USER", nullptr, path.c_str(), KEY_READ, &key), 0u);
  EXPECT_TRUE(key.valid());
  EXPECT_EQ(open_registry_key(nullptr, HKEY_CURRENT_USER, path.c_str(), KEY_READ, &key), 0u);

  registry_key untouched;
  EXPECT_EQ(open_registry_key(L"hkey_local_machine", nullptr, L"Software", KEY_READ, &untouched), 87u);
  EXPECT_EQ(open_registry_key(L"HKLM", nullptr, L"Software", KEY_READ, &untouched), 87u);
  EXPECT_EQ(open_registry_key(nullptr, nullptr, L"Software", KEY_READ, &untouched), 87u);
  EXPECT_EQ(open_registry_key(L"HKEY_LOCAL_MACHINE", nullptr, nullptr, KEY_READ, &untouched), 87u);
  EXPECT_EQ(open_registry_key(L"HKEY_LOCAL_MACHINE", nullptr, L"Software", KEY_READ, nullptr), 87u);
  EXPECT_FALSE(untouched.valid());
  EXPECT_EQ(open_registry_key(L"HKEY_CURRENT_USER", nullptr, (path + L"\\missing").c_str(), KEY_READ, &untouched),
            2u);
  EXPECT_FALSE(untouched.valid());
  EXPECT_EQ(open_registry_key(L"HKEY_LOCAL_MACHINE", nullptr, L"Software", KEY_READ, &untouched), 0u);
}

// Counts the queries read_registry_string makes.
int g_queries = 0;
LSTATUS WINAPI CountingQuery(HKEY key, LPCWSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size) {
  ++g_queries;
  return RegQueryValueExW(key, name, reserved, type, data, size);
}

TEST(ReadRegistryString, SizesAroundTheFirstBufferAndTheQueriesTheyTake) {
  ScratchKey scratch(HKEY_CURRENT_USER, TestKeyPath(), 0);
  struct Case {
    const char* name;
    size_t chars;      // characters of text
    bool terminated;   // stored with its zero character
    int queries;
  };
  const Case cases[] = {
      {"empty", 0, true, 1},
      {"259 characters and the zero: 520 bytes", 259, true, 1},
      {"260 characters without a zero: 520 bytes", 260, false, 1},
      {"260 characters and the zero: 522 bytes", 260, true, 2},
      {"261 characters without a zero", 261, false, 2},
      {"40000 characters", 40000, true, 2},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::wstring text;
    for (size_t i = 0; i < c.chars; ++i) text += static_cast<wchar_t>(L'a' + i % 26);
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.c_str());
    scratch.SetRaw(L"v", REG_SZ, std::vector<uint8_t>(bytes, bytes + (c.chars + (c.terminated ? 1 : 0)) * 2));
    g_queries = 0;
    testing::scoped_registry_query counting(&CountingQuery);
    std::wstring read = L"before";
    ASSERT_EQ(read_registry_string(scratch.get(), L"v", &read), 0u);
    EXPECT_EQ(read, text);
    EXPECT_EQ(g_queries, c.queries);
  }
}

TEST(ReadRegistryString, TypesAndRefusals) {
  ScratchKey scratch(HKEY_CURRENT_USER, TestKeyPath(), 0);
  SetEnvironmentVariableW(L"KRV_TEST_FOLDER", L"C:\\expanded");
  scratch.SetString(L"expand", L"%KRV_TEST_FOLDER%\\sub", REG_EXPAND_SZ);
  scratch.SetRaw(L"embedded", REG_SZ, {'a', 0, 0, 0, 'b', 0, 0, 0});
  scratch.SetString(L"", L"default value");
  scratch.SetDword(L"dword", 7);
  scratch.SetRaw(L"odd", REG_SZ, {'a', 0, 'b'});
  scratch.SetRaw(L"multi", REG_MULTI_SZ, {'a', 0, 0, 0, 0, 0});

  std::wstring out;
  EXPECT_EQ(read_registry_string(scratch.get(), L"expand", &out), 0u);
  EXPECT_EQ(out, L"C:\\expanded\\sub");
  EXPECT_EQ(read_registry_string(scratch.get(), L"embedded", &out), 0u);
  EXPECT_EQ(out, L"a");
  EXPECT_EQ(read_registry_string(scratch.get(), L"", &out), 0u);
  EXPECT_EQ(out, L"default value");

  out = L"unchanged";
  EXPECT_EQ(read_registry_string(scratch.get(), L"dword", &out), 13u);
  EXPECT_EQ(read_registry_string(scratch.get(), L"odd", &out), 13u);
  EXPECT_EQ(read_registry_string(scratch.get(), L"multi", &out), 13u);
  EXPECT_EQ(read_registry_string(scratch.get(), L"missing", &out), 2u);
  EXPECT_EQ(read_registry_string(scratch.get(), nullptr, &out), 87u);
  EXPECT_EQ(read_registry_string(nullptr, L"v", &out), 87u);
  EXPECT_EQ(read_registry_string(scratch.get(), L"expand", nullptr), 87u);
  EXPECT_EQ(out, L"unchanged");

  SetLastError(1234);
  read_registry_string(scratch.get(), L"missing", &out);
  EXPECT_EQ(GetLastError(), 1234u) << "the last error is left as it was";
}

TEST(ReadMachineString, ReadsTheChosenView) {
  const std::wstring path = L"SOFTWARE\\krv-tests\\views-" + std::to_wstring(GetCurrentProcessId());
  ScratchKey k32(HKEY_LOCAL_MACHINE, path, KEY_WOW64_32KEY);
  ScratchKey k64(HKEY_LOCAL_MACHINE, path, KEY_WOW64_64KEY);
  k32.SetString(L"v", L"32");
  k64.SetString(L"v", L"64");
  std::wstring out;
  EXPECT_EQ(read_machine_string(path.c_str(), L"v", KEY_WOW64_32KEY, &out), 0u);
  EXPECT_EQ(out, L"32");
  EXPECT_EQ(read_machine_string(path.c_str(), L"v", kDefaultRegistryView, &out), 0u);
  EXPECT_EQ(out, L"32") << "the default view is the shipped 32-bit process's";
  EXPECT_EQ(read_machine_string(path.c_str(), L"v", KEY_WOW64_64KEY, &out), 0u);
  EXPECT_EQ(out, L"64");
  EXPECT_EQ(read_machine_string((path + L"\\none").c_str(), L"v", KEY_WOW64_64KEY, &out), 2u);
}

}  // namespace
}  // namespace krv::os
