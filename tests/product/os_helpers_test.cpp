// The runtime's OS facts, optional imports and module, environment and
// device helpers under Wine.
#include <windows.h>

#include <gtest/gtest.h>

#include "runtime/device_helpers.h"
#include "runtime/environment_helpers.h"
#include "runtime/module_helpers.h"
#include "runtime/optional_imports.h"
#include "runtime/os_facts.h"
#include "runtime/os_version.h"
#include "runtime/product_path_table.h"
#include "runtime/runtime_layers.h"

namespace krv::os {
namespace {

class RuntimeAttached : public ::testing::Test {
 protected:
  void SetUp() override { runtime::AttachRuntimeLayers(); }
  void TearDown() override { runtime::DetachRuntimeLayers(); }
};

// The test prefix is a 64-bit one, where a 32-bit build runs under WOW64.
constexpr bool kUnderWow64 = sizeof(void*) == 4;

TEST_F(RuntimeAttached, FactsOfTheSystem) {
  const os_facts& f = facts();
  SYSTEM_INFO info;
  GetSystemInfo(&info);
  EXPECT_EQ(f.page_size, info.dwPageSize);
  EXPECT_EQ(f.allocation_granularity, info.dwAllocationGranularity);
  EXPECT_EQ(mapped_view_size(), 60 * info.dwAllocationGranularity);
  EXPECT_EQ(copied_view_size(), 2 * info.dwAllocationGranularity);
  EXPECT_GE(f.logical_processors, 1u);
  EXPECT_GE(f.cores, 1u);
  EXPECT_LE(f.cores, f.logical_processors);
  EXPECT_EQ(f.wow64, kUnderWow64);
  EXPECT_GE(f.version_class, 13u) << "Wine reports an NT 6 or later system";
  ASSERT_FALSE(f.windows_folder.empty());
  EXPECT_EQ(f.windows_folder.back(), L'\\');
  wchar_t windows[MAX_PATH];
  GetWindowsDirectoryW(windows, MAX_PATH);
  EXPECT_EQ(f.windows_folder, std::wstring(windows) + L"\\");
  // The attach set up the product path table.
  EXPECT_EQ(product_paths::get(path_slot::windows_folder), f.windows_folder);
  EXPECT_EQ(product_paths::get(path_slot::registry_key), L"Software\\ORVANE Software\\Orvane");
  EXPECT_FALSE(product_paths::program_folder().empty());
  EXPECT_FALSE(product_paths::get(path_slot::temp_folder).empty());
}

TEST(RuntimeLayers, CountedAttachesAndTheLastDetachReleases) {
  runtime::AttachRuntimeLayers();
  runtime::AttachRuntimeLayers();
  runtime::DetachRuntimeLayers();
  EXPECT_TRUE(product_paths::exists());
  EXPECT_NE(optional_imports::table().is_wow64_process, nullptr);
  runtime::DetachRuntimeLayers();
  EXPECT_FALSE(product_paths::exists());
  EXPECT_EQ(optional_imports::table().is_wow64_process, nullptr);
  wchar_t root[MAX_PATH] = {};
  EXPECT_NE(GetEnvironmentVariableW(L"SystemRoot", root, MAX_PATH), 0u);
}

TEST_F(RuntimeAttached, OptionalImportsFollowTheirConditions) {
  EXPECT_NE(optional_imports::table().is_wow64_process, nullptr);
  EXPECT_EQ(optional_imports::table().wow64_enable_wow64_fs_redirection != nullptr, kUnderWow64)
      << "looked up only under WOW64";
  EXPECT_NE(optional_imports::table().rtl_get_version, nullptr);
  EXPECT_NE(optional_imports::table().nt_query_object, nullptr);

  optional_imports::load(version_class::nt6_2 - 1);
  EXPECT_EQ(optional_imports::table().prefetch_virtual_memory, nullptr) << "Windows 7 has no prefetch";
  optional_imports::load(version_class::nt6_2);
  EXPECT_NE(optional_imports::table().prefetch_virtual_memory, nullptr) << "looked up from Windows 8 on";

  SetLastError(0);
  EXPECT_EQ(optional_imports::ntdll_function("KrvNoSuchFunction"), nullptr);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_PROC_NOT_FOUND));
}

TEST(OptionalImports, VersionAndModuleLookupsWorkBeforeTheTableIsFilled) {
  optional_imports::clear();
  EXPECT_NE(optional_imports::rtl_get_version(), nullptr);
  EXPECT_EQ(module_of_running_code(), GetModuleHandleW(nullptr)) << "the test's code is in its executable";
}

TEST(ModuleFileName, PathOfTheExecutable) {
  std::wstring path;
  ASSERT_EQ(module_file_name(nullptr, false, &path), 0u);
  wchar_t expected[MAX_PATH];
  GetModuleFileNameW(nullptr, expected, MAX_PATH);
  EXPECT_EQ(path, expected);
  std::wstring short_path;
  ASSERT_EQ(module_file_name(nullptr, true, &short_path), 0u);
  EXPECT_NE(GetFileAttributesW(short_path.c_str()), INVALID_FILE_ATTRIBUTES);
  std::wstring untouched = L"x";
  EXPECT_NE(module_file_name(reinterpret_cast<HMODULE>(0x10), false, &untouched), 0u);
  EXPECT_EQ(untouched, L"x");
}

TEST(EnvironmentVariable, NamesAndValues) {
  SetEnvironmentVariableW(L"KRV_TEST_VALUE", L"abc");
  SetEnvironmentVariableW(L"KRV_TEST_MISSING", nullptr);
  std::wstring value = L"x";
  EXPECT_EQ(environment_variable(L"KRV_TEST_VALUE", &value), 0u);
  EXPECT_EQ(value, L"abc");
  value = L"x";
  EXPECT_EQ(environment_variable(L"KRV_TEST_MISSING", &value), 2u);
  EXPECT_EQ(environment_variable(L"", &value), 87u);
  EXPECT_EQ(environment_variable(nullptr, &value), 87u);
  EXPECT_EQ(value, L"x");
}

TEST(EnsureSystemRoot, SetsItOnlyWhenItDoesNotExpand) {
  wchar_t saved[MAX_PATH];
  GetEnvironmentVariableW(L"SystemRoot", saved, MAX_PATH);
  SetEnvironmentVariableW(L"SystemRoot", nullptr);
  EXPECT_EQ(ensure_system_root(L"C:\\windows\\"), 0u);
  wchar_t now[MAX_PATH] = {};
  GetEnvironmentVariableW(L"SystemRoot", now, MAX_PATH);
  EXPECT_STREQ(now, L"C:\\windows");

  SetEnvironmentVariableW(L"SystemRoot", L"D:\\other");
  EXPECT_EQ(ensure_system_root(L"C:\\windows\\"), 0u);
  GetEnvironmentVariableW(L"SystemRoot", now, MAX_PATH);
  EXPECT_STREQ(now, L"D:\\other");
  SetEnvironmentVariableW(L"SystemRoot", saved);
}

TEST(OpenDevice, RefusalsAndMissingDevices) {
  scoped_handle device;
  EXPECT_EQ(open_device(nullptr, &device), 160u);
  EXPECT_EQ(open_device(L"x", nullptr), 160u);
  EXPECT_NE(open_device(L"krvNoSuchDevice", &device), 0u);
  EXPECT_FALSE(device.valid());
  // A device every system has opens; the helper hands its handle over.
  EXPECT_EQ(open_device(L"NUL", &device), 0u);
  EXPECT_TRUE(device.valid());
}

}  // namespace
}  // namespace krv::os
