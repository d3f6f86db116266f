// The product locator and the brand-derived keys and folders under Wine, with
// the product registered by the tests. Built once per brand (KRV_TEST_BRAND
// 1 Orvane, 2 Kestil): the process's brand is set once and then cached.
#include <windows.h>

#include <gtest/gtest.h>

#include "product/brand.h"
#include "product/brand_names.h"
#include "product/installed_product.h"
#include "product/persistent_storage.h"
#include "product/product_folders.h"
#include "product/product_keys.h"
#include "tests/product/registry_fixture.h"

namespace krv::product {
namespace {

using krv::testing::ProductRegistryLock;
using krv::testing::ScratchKey;

constexpr REGSAM k32 = KEY_WOW64_32KEY;
constexpr REGSAM k64 = KEY_WOW64_64KEY;

class Locator : public ::testing::Test {
 protected:
  void SetUp() override { branding::SetBrand(static_cast<branding::Brand>(KRV_TEST_BRAND)); }
  ProductRegistryLock lock_;
};

// A product key holding the two folders.
void Install(const ScratchKey& key, const std::wstring& program, const std::wstring& data) {
  key.SetString(L"ProgramFolder", program);
  key.SetString(L"DataFolder", data);
}

#if KRV_TEST_BRAND == 1
const wchar_t kProductKey[] = L"SOFTWARE\\ORVANE Software\\Orvane";

TEST_F(Locator, NothingRegisteredIsNotFoundAndWritesNothing) {
  InstalledProduct out;
  out.ProgramFolder = L"untouched";
  EXPECT_FALSE(LocateInstalledProduct(&out));
  EXPECT_EQ(out.ProgramFolder, L"untouched");
}

TEST_F(Locator, OnlyInThe64BitViewIsFoundOnTheSecondPass) {
  ScratchKey key(HKEY_LOCAL_MACHINE, kProductKey, k64);
  Install(key, L"C:\\P64", L"C:\\D64");
  InstalledProduct out;
  ASSERT_TRUE(LocateInstalledProduct(&out));
  EXPECT_EQ(out.ProgramFolder, L"C:\\P64");
  EXPECT_EQ(out.DataFolder, L"C:\\D64");
}

TEST_F(Locator, InBothViewsThe32BitViewIsTaken) {
  ScratchKey key64(HKEY_LOCAL_MACHINE, kProductKey, k64);
  Install(key64, L"C:\\P64", L"C:\\D64");
  ScratchKey key32(HKEY_LOCAL_MACHINE, kProductKey, k32);
  Install(key32, L"C:\\P32", L"C:\\D32");
  InstalledProduct out;
  ASSERT_TRUE(LocateInstalledProduct(&out));
  EXPECT_EQ(out.ProgramFolder, L"C:\\P32");
  EXPECT_EQ(out.DataFolder, L"C:\\D32");
}

TEST_F(Locator, KeyWithoutDataFolderIsPassedOver) {
  ScratchKey product(HKEY_LOCAL_MACHINE, kProductKey, k32);
  product.SetString(L"ProgramFolder", L"C:\\NoData");
  {
    ScratchKey older(HKEY_LOCAL_MACHINE, L"Software\\Maplor Software\\Orvane\\5.0", k32);
    Install(older, L"C:\\Maplor5", L"C:\\Maplor5Data");
    InstalledProduct out;
    ASSERT_TRUE(LocateInstalledProduct(&out));
    EXPECT_EQ(out.ProgramFolder, L"C:\\Maplor5") << "the next candidate of the same view";
  }
  ScratchKey in_64(HKEY_LOCAL_MACHINE, kProductKey, k64);
  Install(in_64, L"C:\\P64", L"C:\\D64");
  InstalledProduct out;
  ASSERT_TRUE(LocateInstalledProduct(&out));
  EXPECT_EQ(out.ProgramFolder, L"C:\\P64");
}

TEST_F(Locator, OlderLayoutsOfTheOrvaneBrand) {
  {
    ScratchKey maplor(HKEY_LOCAL_MACHINE, L"Software\\Maplor Software\\Orvane", k32);
    Install(maplor, L"C:\\Maplor", L"C:\\MaplorData");
    InstalledProduct out;
    ASSERT_TRUE(LocateInstalledProduct(&out));
    EXPECT_EQ(out.ProgramFolder, L"C:\\Maplor");
  }
  // The 4.0 layout has its own program-folder value and no data folder.
  ScratchKey v4(HKEY_LOCAL_MACHINE, L"Software\\Maplor Software\\Orvane\\4.0", k32);
  v4.SetString(L"Orvane4ProgramFolder", L"C:\\Orvane4");
  InstalledProduct out;
  ASSERT_TRUE(LocateInstalledProduct(&out));
  EXPECT_EQ(out.ProgramFolder, L"C:\\Orvane4");
  EXPECT_EQ(out.DataFolder, L"");
  EXPECT_EQ(out.SetupFolder, L"C:\\Orvane4\\setup");
}

TEST_F(Locator, SetupFolderFromTheRegistryOrDerived) {
  struct Case {
    const wchar_t* program;
    const wchar_t* setup;  // null: no "SetupFolder" value
    const wchar_t* expected;
  };
  const Case cases[] = {
      {L"C:\\Orvane\\", nullptr, L"C:\\Orvane\\setup"},
      {L"C:\\Orvane", nullptr, L"C:\\Orvane\\setup"},
      {L"\"C:\\Program Files\\Orvane\"", nullptr, L"\"C:\\Program Files\\Orvane\\setup\""},
      {L"C:\\Orvane", L"E:\\Updater", L"E:\\Updater"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.program);
    ScratchKey key(HKEY_LOCAL_MACHINE, kProductKey, k32);
    Install(key, c.program, L"C:\\Data");
    if (c.setup != nullptr) key.SetString(L"SetupFolder", c.setup);
    InstalledProduct out;
    ASSERT_TRUE(LocateInstalledProduct(&out));
    EXPECT_EQ(out.SetupFolder, c.expected);
  }
}

TEST_F(Locator, SetupVersionOnlyAsAFourByteDword) {
  struct Case {
    const char* name;
    DWORD type;  // 0: no value
    std::vector<uint8_t> bytes;
    uint32_t expected;
    DWORD last_error;
  };
  const Case cases[] = {
      {"1995", REG_DWORD, {0xCB, 0x07, 0, 0}, 1995, 0},
      {"1996", REG_DWORD, {0xCC, 0x07, 0, 0}, 1996, 0},
      {"absent", 0, {}, kSetupVersionAbsent, ERROR_FILE_NOT_FOUND},
      {"as a string", REG_SZ, {'1', 0, '9', 0, '9', 0, '6', 0, 0, 0}, kSetupVersionAbsent, ERROR_INVALID_DATA},
      {"dword of 8 bytes", REG_DWORD, {0xCC, 0x07, 0, 0, 0, 0, 0, 0}, kSetupVersionAbsent, ERROR_INVALID_DATA},
      {"dword of 2 bytes", REG_DWORD, {0xCC, 0x07}, kSetupVersionAbsent, ERROR_INVALID_DATA},
      {"binary of 4 bytes", REG_BINARY, {0xCC, 0x07, 0, 0}, kSetupVersionAbsent, ERROR_INVALID_DATA},
      {"longer than the read", REG_BINARY, std::vector<uint8_t>(64, 1), kSetupVersionAbsent, ERROR_INVALID_DATA},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ScratchKey key(HKEY_LOCAL_MACHINE, kProductKey, k32);
    Install(key, L"C:\\P", L"C:\\D");
    if (c.type != 0) key.SetRaw(L"SetupVersion", c.type, c.bytes);
    InstalledProduct out;
    ASSERT_TRUE(LocateInstalledProduct(&out));
    EXPECT_EQ(GetLastError(), c.last_error);
    EXPECT_EQ(out.SetupVersion, c.expected);
  }
}

TEST_F(Locator, OptionalTextValuesAndExpansion) {
  ScratchKey key(HKEY_LOCAL_MACHINE, kProductKey, k32);
  SetEnvironmentVariableW(L"KRV_TEST_ROOT", L"C:\\Root");
  key.SetString(L"ProgramFolder", L"%KRV_TEST_ROOT%\\Orvane", REG_EXPAND_SZ);
  key.SetString(L"DataFolder", L"C:\\D");
  key.SetString(L"Version", L"5.2.1");
  key.SetString(L"VLBProgramFolder", L"C:\\Velbrowser");
  InstalledProduct out;
  ASSERT_TRUE(LocateInstalledProduct(&out));
  EXPECT_EQ(out.ProgramFolder, L"C:\\Root\\Orvane");
  EXPECT_EQ(out.Version, L"5.2.1");
  EXPECT_EQ(out.VLBProgramFolder, L"C:\\Velbrowser");

  key.SetDword(L"ProgramFolder", 5);
  EXPECT_FALSE(LocateInstalledProduct(&out)) << "a folder that is not text does not match";
}

TEST_F(Locator, OrvaneNamesKeysAndFolders) {
  EXPECT_EQ(branding::ProductDisplayName(), L"Orvane Antivirus");
  EXPECT_EQ(GetAvRegistrySubkey(), L"SOFTWARE\\ORVANE Software\\Orvane");
  EXPECT_EQ(GetCompanyRegistryKey(), L"SOFTWARE\\ORVANE Software");
  EXPECT_EQ(GetBrowserRegistryKey(), L"SOFTWARE\\ORVANE Software\\Velbrowser");
  EXPECT_EQ(GetPersistentStorageName(), L"OrvanePersistentStorage");
  const std::wstring appdata = CommonAppDataFolder();
  ASSERT_FALSE(appdata.empty());
  EXPECT_EQ(GetPersistentDataFolder(), appdata + L"\\ORVANE Software\\Persistent Data\\Orvane");
  EXPECT_EQ(GetProductDataFolder(), appdata + L"\\ORVANE Software\\Orvane");
  EXPECT_EQ(GetBrowserDataFolder(), appdata + L"\\ORVANE Software\\Velbrowser");
  ScratchKey browser(HKEY_LOCAL_MACHINE, L"SOFTWARE\\ORVANE Software\\Velbrowser", k32);
  browser.SetString(L"DataFolder", L"E:\\Browser data");
  EXPECT_EQ(GetBrowserDataFolder(), L"E:\\Browser data");
}
#endif

#if KRV_TEST_BRAND == 2
TEST_F(Locator, KestilNeverReadsTheMaplorKeys) {
  ScratchKey maplor32(HKEY_LOCAL_MACHINE, L"Software\\Maplor Software\\Orvane", k32);
  Install(maplor32, L"C:\\Maplor", L"C:\\MaplorData");
  ScratchKey maplor64(HKEY_LOCAL_MACHINE, L"Software\\Maplor Software\\Orvane", k64);
  Install(maplor64, L"C:\\Maplor", L"C:\\MaplorData");
  ScratchKey v5(HKEY_LOCAL_MACHINE, L"Software\\Maplor Software\\Orvane\\5.0", k32);
  Install(v5, L"C:\\Maplor5", L"C:\\Maplor5Data");
  ScratchKey v4(HKEY_LOCAL_MACHINE, L"Software\\Maplor Software\\Orvane\\4.0", k32);
  v4.SetString(L"Orvane4ProgramFolder", L"C:\\Orvane4");
  InstalledProduct out;
  EXPECT_FALSE(LocateInstalledProduct(&out));

  ScratchKey kestil(HKEY_LOCAL_MACHINE, L"SOFTWARE\\KESTIL\\Antivirus", k32);
  Install(kestil, L"C:\\Kestil", L"C:\\KestilData");
  ASSERT_TRUE(LocateInstalledProduct(&out));
  EXPECT_EQ(out.ProgramFolder, L"C:\\Kestil");
}

TEST_F(Locator, KestilNamesKeysAndFolders) {
  EXPECT_EQ(branding::ProductDisplayName(), L"KESTIL Antivirus");
  EXPECT_EQ(GetAvRegistrySubkey(), L"SOFTWARE\\KESTIL\\Antivirus");
  EXPECT_EQ(GetPersistentStorageName(), L"KestilPersistentStorage");
  const std::wstring appdata = CommonAppDataFolder();
  ASSERT_FALSE(appdata.empty());
  EXPECT_EQ(GetPersistentDataFolder(), appdata + L"\\KESTIL\\Persistent Data\\Antivirus");
  EXPECT_EQ(GetBrowserDataFolder(), appdata + L"\\KESTIL\\Velbrowser");
}
#endif

}  // namespace
}  // namespace krv::product
