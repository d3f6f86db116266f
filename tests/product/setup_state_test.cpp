// The settings file's Load and the product's setup state under Wine, with
// the product registered and its files written by the tests.
#include <windows.h>

#include <gtest/gtest.h>

#include "product/brand.h"
#include "product/settings_file.h"
#include "product/setup_state.h"
#include "runtime/child_process_win32.h"
#include "runtime/registry_helpers.h"
#include "tests/product/registry_fixture.h"
#include "tests/product/temp_tree.h"
#include "tests/runtime/failing_child_process_calls_win32.h"

namespace krv::product {
namespace {

using krv::testing::FailedResume;
using krv::testing::FailedWaitAfterTheEnd;
using krv::testing::ProductRegistryLock;
using krv::testing::ScratchKey;
using krv::testing::TempTree;

// The installer stand-in beside this test program.
std::wstring FakeInstaller() {
  wchar_t self[MAX_PATH];
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  const std::wstring path(self);
  return path.substr(0, path.rfind(L'\\')) + L"\\product_fake_installer.exe";
}

TEST(SettingsFileLoad, ReadsTheFileOrReportsTheSystemsError) {
  TempTree tree;
  const std::wstring path = tree.File(L"setup.ini", std::string("\xFF\xFE[\0C\0]\0\n\0k\0=\0v\0", 16));
  SettingsFile file;
  SetLastError(99);
  ASSERT_TRUE(file.Load(path));
  EXPECT_EQ(GetLastError(), 0u);
  EXPECT_EQ(file.encoding(), SettingsFile::kUtf16LittleEndian);
  EXPECT_EQ(file.Section(L"c").GetString(L"K", L""), L"v");

  EXPECT_FALSE(file.Load(tree.root() + L"\\missing.ini"));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
  EXPECT_TRUE(file.Sections().empty()) << "a failed load leaves no sections";

  EXPECT_EQ(ReadString(path, L"C", L"k", L"d"), L"v");
  EXPECT_EQ(GetLastError(), 0u);
  EXPECT_EQ(ReadString(path, L"C", L"other", L"d"), L"d");
  EXPECT_EQ(GetLastError(), 3u);
  EXPECT_EQ(ReadString(tree.root() + L"\\missing.ini", L"C", L"k", L"d"), L"d");
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST(SettingsFileLoad, SharedLockIsHeldOnlyDuringTheRead) {
  TempTree tree;
  const std::wstring path = tree.File(L"Stats.ini", "[State]\nPushPin=4\n");
  HANDLE other = CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, 0, nullptr);
  ASSERT_NE(other, INVALID_HANDLE_VALUE);
  // Another reader's shared lock does not keep the file from being read.
  OVERLAPPED shared = {};
  ASSERT_TRUE(LockFileEx(other, LOCKFILE_FAIL_IMMEDIATELY, 0, 0xFFFFFFFF, 0, &shared));
  SettingsFile file;
  EXPECT_TRUE(file.Load(path));
  EXPECT_EQ(file.Section(L"State").GetInt(L"PushPin", 0), 4);
  UnlockFileEx(other, 0, 0xFFFFFFFF, 0, &shared);
  // After the load a writer can lock the file exclusively.
  OVERLAPPED exclusive = {};
  EXPECT_TRUE(LockFileEx(other, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 0xFFFFFFFF, 0, &exclusive));
  UnlockFileEx(other, 0, 0xFFFFFFFF, 0, &exclusive);
  CloseHandle(other);
}

// Sizes someone else chose: a file above the reader's limit is a read
// failure with 223, without its bytes being read or held (the files are
// sparse on the host: nothing is written).
TEST(SettingsFileLoad, FilesAboveTheLimitAreRefused) {
  struct Row {
    const char* what;
    int64_t size;
    bool loads;
  };
  const Row rows[] = {
      {"at the limit", SettingsFile::kMaxFileSize, true},
      {"one byte more", SettingsFile::kMaxFileSize + 1, false},
      {"3 GiB, more than the 32-bit stub can hold", 0xC0000000LL, false},
      {"4 GiB", 0x100000000LL, false},
  };
  TempTree tree;
  for (const Row& row : rows) {
    SCOPED_TRACE(row.what);
    const std::wstring path = tree.File(L"huge.ini", "[s]\nk=v\n");
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    LARGE_INTEGER size;
    size.QuadPart = row.size;
    ASSERT_TRUE(SetFilePointerEx(file, size, nullptr, FILE_BEGIN));
    ASSERT_TRUE(SetEndOfFile(file));
    CloseHandle(file);
    SettingsFile settings;
    settings.Section(L"before");
    SetLastError(99);
    EXPECT_EQ(settings.Load(path), row.loads);
    EXPECT_EQ(GetLastError(), row.loads ? 0u : static_cast<DWORD>(ERROR_FILE_TOO_LARGE));
    EXPECT_EQ(settings.Sections().count(L"s"), row.loads ? 1u : 0u);
    EXPECT_EQ(settings.Sections().count(L"before"), 0u) << "a load starts afresh";
  }
}

// An installed product in a test folder: program, data and setup folders.
class InstalledProductFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    branding::SetBrand(branding::Brand::Orvane);
    program_ = tree_.Folder(L"Orvane");
    setup_ = tree_.Folder(L"Orvane\\setup");
    key_.SetString(L"ProgramFolder", program_);
    key_.SetString(L"DataFolder", tree_.Folder(L"Data"));
  }

  std::wstring SetupFile(const wchar_t* name, const std::string& text) {
    return tree_.File(std::wstring(L"Orvane\\setup\\") + name, text);
  }

  ProductRegistryLock lock_;
  TempTree tree_;
  ScratchKey key_{HKEY_LOCAL_MACHINE, L"SOFTWARE\\ORVANE Software\\Orvane", KEY_WOW64_32KEY};
  std::wstring program_, setup_;
};

TEST_F(InstalledProductFixture, EnvironmentFromTheProductsFiles) {
  key_.SetString(L"VLBProgramFolder", L"C:\\Velbrowser");
  SetupFile(L"setup.ini",
            "\xEF\xBB\xBF[Common]\r\nEdition=15\r\nSubEdition=plus\r\nGUID=1111\r\nBuildId=b7\r\nDebug=1\r\n"
            "[DelayedInstallation]\r\nIsNeeded=1\r\nDelayedComponents=a,b,c\r\n");
  SetupFile(L"servers.def", "[servers]\nVersionType=Internal\n");
  SetupFile(L"Stats.ini", "[State]\nPushPin=3\n[Urls]\nLastPgmUrl=http://p\nLastVpsUrl=http://v\n[Common]\nMid=m1\n");
  SetupFile(L"Reboot.txt", "");
  tree_.Folder(L"Orvane\\setup\\SnxReboot.txt");
  tree_.File(L"Orvane\\defs\\krvdefs.ini", "[Definitions]\nLatest=20240101\n");

  ProductEnvironment env;
  ASSERT_TRUE(CollectProductEnvironment(&env));
  EXPECT_EQ(env.Edition, 15);
  EXPECT_EQ(env.SubEdition, L"plus");
  EXPECT_EQ(env.program_folder, program_);
  EXPECT_EQ(env.setup_folder, program_ + L"\\setup");
  EXPECT_EQ(env.data_folder, tree_.root() + L"\\Data");
  EXPECT_EQ(env.browser_program_folder, L"C:\\Velbrowser");
  EXPECT_EQ(env.installation_guid, L"1111");
  EXPECT_EQ(env.BuildId, L"b7");
  EXPECT_TRUE(env.Debug);
  EXPECT_TRUE(env.delayed_installation_needed);
  EXPECT_EQ(env.delayed_components.size(), 3u);
  EXPECT_TRUE(env.internal_servers);
  EXPECT_EQ(env.definitions_folder, program_ + L"\\defs\\20240101");
  EXPECT_EQ(env.PushPin, 3);
  EXPECT_EQ(env.LastPgmUrl, L"http://p");
  EXPECT_EQ(env.LastVpsUrl, L"http://v");
  EXPECT_EQ(env.Mid, L"m1");
  EXPECT_TRUE(env.reboot_pending);
  EXPECT_FALSE(env.scanner_reboot_pending) << "a folder of that name is no flag";
  EXPECT_FALSE(env.firewall_reboot_pending);
  EXPECT_FALSE(env.persistent_data_folder.empty());
}

TEST_F(InstalledProductFixture, DefaultsOfTheStatusFiles) {
  SetupFile(L"setup.ini", "[Common]\n[product.parts.current]\nvps=defs,4660,1\n");
  SetupFile(L"servers.def", "[servers]\nVersionType=internal\n");
  tree_.File(L"Orvane\\defs\\krvdefs.ini", "[Definitions]\nLatest=\n");
  ProductEnvironment env;
  ASSERT_TRUE(CollectProductEnvironment(&env));
  EXPECT_EQ(env.Edition, 1) << "a setup file without Edition";
  EXPECT_FALSE(env.internal_servers) << "the comparison counts case";
  EXPECT_EQ(env.definitions_folder, program_ + L"\\defs\\00001234");
  EXPECT_EQ(env.PushPin, 0);
  EXPECT_EQ(env.Mid, L"");

  SetupFile(L"setup.ini", "[Common]\n");
  ASSERT_TRUE(CollectProductEnvironment(&env));
  EXPECT_EQ(env.definitions_folder, program_ + L"\\defs\\FFFFFFFF");
}

TEST_F(InstalledProductFixture, MissingSetupFileRunsTheInstallerOnce) {
  ProductEnvironment env;
  EXPECT_FALSE(CollectProductEnvironment(&env)) << "no installer to run";
  EXPECT_EQ(env.Edition, -1);

  SetupFile(L"pkgrun.exe", "not a program");
  EXPECT_FALSE(CollectProductEnvironment(&env)) << "an installer that cannot start";
  EXPECT_EQ(env.Edition, -1);

  ASSERT_TRUE(CopyFileW(FakeInstaller().c_str(), (setup_ + L"\\pkgrun.exe").c_str(), FALSE));
  ASSERT_TRUE(CollectProductEnvironment(&env));
  EXPECT_EQ(env.Edition, 15) << "read from the file the installer wrote";
}

// Values of the persistent-storage key, removed again when it goes. The key
// itself stays: other tests keep their own values in it.
class PersistentStorageValues {
 public:
  PersistentStorageValues() {
    RegCreateKeyExW(HKEY_CLASSES_ROOT, L"OrvanePersistentStorage", 0, nullptr, 0, KEY_ALL_ACCESS | os::kClassesRoot32View,
                    nullptr, &key_, nullptr);
  }
  ~PersistentStorageValues() {
    RegDeleteValueW(key_, L"GUID");
    RegDeleteValueW(key_, L"GuidCreated");
    RegCloseKey(key_);
  }
  void Set(const wchar_t* name, const std::wstring& value) const {
    RegSetValueExW(key_, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()),
                   static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t)));
  }

 private:
  HKEY key_ = nullptr;
};

TEST_F(InstalledProductFixture, PersistedGuidFromThePersistentStorageKey) {
  SetupFile(L"setup.ini", "[Common]\nGUID=installation\n");
  PersistentStorageValues storage;
  storage.Set(L"GUID", L"{persisted}");
  storage.Set(L"GuidCreated", L"1234567890123");
  ProductEnvironment env;
  ASSERT_TRUE(CollectProductEnvironment(&env));
  EXPECT_EQ(env.persisted_guid, L"{persisted}");
  EXPECT_EQ(env.installation_guid, L"installation");
  State state;
  EXPECT_EQ(state.setup.persisted_guid_time, 1234567890123);
}

TEST_F(InstalledProductFixture, WithoutAStoredGuidThePersistedOneIsTheFreshOne) {
  SetupFile(L"setup.ini", "[Common]\n");
  ProductEnvironment env;
  ASSERT_TRUE(CollectProductEnvironment(&env));
  EXPECT_EQ(env.persisted_guid, env.installation_guid);
  EXPECT_EQ(env.installation_guid.size(), 36u);
}

TEST(RunInstallerAndWait, ExitCodeOrFailure) {
  TempTree tree;
  const std::wstring copy = tree.root() + L"\\pkgrun.exe";
  ASSERT_TRUE(CopyFileW(FakeInstaller().c_str(), copy.c_str(), FALSE));
  uint32_t code = 0;
  ASSERT_TRUE(RunInstallerAndWait(L"\"" + copy + L"\"", &code));
  EXPECT_EQ(code, 7u);
  EXPECT_FALSE(RunInstallerAndWait(L"\"" + tree.root() + L"\\none.exe\"", &code));
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

// A thread that cannot be resumed: the installer is terminated unrun (it
// would write setup.ini) and the call fails with the error instead of
// waiting for ever; a failed wait fails the call instead of passing
// STILL_ACTIVE (259) on as the exit code.
TEST(RunInstallerAndWait, FailedResumeOrWaitIsAFailure) {
  struct Case {
    const char* what;
    os::ScopedChildProcessCalls::ResumeCall resume;
    os::ScopedChildProcessCalls::WaitCall wait;
    DWORD error;
    bool ran;
  } cases[] = {
      {"resume fails", FailedResume, WaitForSingleObject, ERROR_ACCESS_DENIED, false},
      {"wait fails", ResumeThread, FailedWaitAfterTheEnd, ERROR_INVALID_HANDLE, true},
  };
  TempTree tree;
  const std::wstring copy = tree.root() + L"\\pkgrun.exe";
  ASSERT_TRUE(CopyFileW(FakeInstaller().c_str(), copy.c_str(), FALSE));
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    DeleteFileW((tree.root() + L"\\setup.ini").c_str());
    uint32_t code = 12345;
    {
      os::ScopedChildProcessCalls failing(c.resume, c.wait);
      EXPECT_FALSE(RunInstallerAndWait(L"\"" + copy + L"\"", &code));
    }
    EXPECT_EQ(GetLastError(), c.error);
    EXPECT_EQ(code, 12345u);
    EXPECT_EQ(GetFileAttributesW((tree.root() + L"\\setup.ini").c_str()) != INVALID_FILE_ATTRIBUTES, c.ran);
  }
}

}  // namespace
}  // namespace krv::product
