// The registry value "KaldorProgress" that SfxProgress publishes while the
// stub extracts, read back through the real (Wine) registry. Built once per
// brand (KRV_TEST_BRAND), since a process keeps the first brand it learns.

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "product/brand.h"
#include "progress/progress_callback.h"
#include "progress/sfx_progress.h"
#include "runtime/registry_helpers.h"
#include "tests/product/registry_fixture.h"
#include "tests/sfxarc/extract_test_support.h"
#include "tests/sfxarc/log_capture.h"

namespace krv::sfxarc {
namespace {

using testing::ExtractFixture;
using testing::LogCapture;
using testing::SpecWith;
using testing::Text;

constexpr branding::Brand kBrand = static_cast<branding::Brand>(KRV_TEST_BRAND);
const wchar_t* const kKey =
    kBrand == branding::Brand::Kestil ? L"KestilPersistentStorage" : L"OrvanePersistentStorage";

// The value, or -1 when it cannot be read as a REG_DWORD.
int64_t ReadProgressValue() {
  os::registry_key key;
  if (os::open_registry_key(nullptr, HKEY_CLASSES_ROOT, kKey, KEY_QUERY_VALUE, &key) != 0)
    return -1;
  DWORD type = 0;
  DWORD value = 0;
  DWORD size = sizeof value;
  if (RegQueryValueExW(key.get(), progress::kProgressValueName, nullptr, &type, reinterpret_cast<BYTE*>(&value),
                       &size) != ERROR_SUCCESS ||
      type != REG_DWORD || size != sizeof value)
    return -1;
  return value;
}

void DeleteProgressKey() { RegDeleteKeyExW(HKEY_CLASSES_ROOT, kKey, 0, 0); }

// The suite is named after the brand, so that the two programs' cases differ.
#if KRV_TEST_BRAND == 2
#define KRV_REGISTRY_SUITE KestilProgressRegistry
#else
#define KRV_REGISTRY_SUITE OrvaneProgressRegistry
#endif
#define KRV_REGISTRY_TEST(suite, name) TEST_F(suite, name)

class KRV_REGISTRY_SUITE : public ExtractFixture {
 protected:
  static void SetUpTestSuite() { branding::SetBrand(kBrand); }
  void SetUp() override { DeleteProgressKey(); }
  void TearDown() override { DeleteProgressKey(); }

  // Other test programs, run at the same time, delete, lock and fill the
  // same key.
  krv::testing::ProductRegistryLock lock_;
};

// Records what SfxProgress was told, to compare with the registry.
class LastPercent final : public progress::ProgressInterface {
 public:
  void OnProgress(progress::ProgressCallback*, uint32_t, uint32_t overall) override {
    percents.push_back(overall);
    registry.push_back(ReadProgressValue());
  }
  void OnText(progress::ProgressCallback*, const wchar_t*) override {}
  void OnSubtext(progress::ProgressCallback*, const wchar_t*) override {}
  void OnValue(progress::ProgressCallback*, uint32_t) override {}
  void OnValuePair(progress::ProgressCallback*, uint32_t, uint32_t) override {}
  void OnSecondValue(progress::ProgressCallback*, uint32_t) override {}
  void OnSignal(uint32_t) override {}

  std::vector<uint32_t> percents;
  std::vector<int64_t> registry;  // read right after SfxProgress wrote
};

KRV_REGISTRY_TEST(KRV_REGISTRY_SUITE, TheBrandsKeyHoldsEveryPercentageAndEndsAt100) {
  std::vector<PackageEntry> entries;
  for (int i = 0; i < 7; ++i) entries.push_back({"r" + std::to_string(i) + ".vpx", Text("r"), 0, kPackerLzma, ""});
  Load(SpecWith(entries));
  progress::SfxProgress registry_progress;
  LastPercent after;
  progress::ProgressCallback callback;
  callback.AddListener(&registry_progress);
  callback.AddListener(&after);
  EXPECT_EQ(archive_.ExtractAllFiles(OutFolder(), &callback), 0u);
  EXPECT_EQ(ReadProgressValue(), 100);
  ASSERT_EQ(after.percents.size(), 8u);
  for (size_t i = 0; i < after.percents.size(); ++i) EXPECT_EQ(after.registry[i], after.percents[i]) << i;
}

KRV_REGISTRY_TEST(KRV_REGISTRY_SUITE, AKeyThatCannotBeWrittenLogsEachChangeAndExtractionGoesOn) {
  // A key whose empty access list refuses setting values to everyone.
  HKEY created = nullptr;
  ASSERT_EQ(RegCreateKeyExW(HKEY_CLASSES_ROOT, kKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                            KEY_ALL_ACCESS, nullptr, &created, nullptr),
            ERROR_SUCCESS);
  os::registry_key key;
  key.reset(created);
  SECURITY_DESCRIPTOR locked;
  ACL empty;
  ASSERT_TRUE(InitializeSecurityDescriptor(&locked, SECURITY_DESCRIPTOR_REVISION));
  ASSERT_TRUE(InitializeAcl(&empty, sizeof empty, ACL_REVISION));
  ASSERT_TRUE(SetSecurityDescriptorDacl(&locked, TRUE, &empty, FALSE));
  ASSERT_EQ(RegSetKeySecurity(key.get(), DACL_SECURITY_INFORMATION, &locked), ERROR_SUCCESS);
  key.reset();
  {
    HKEY probe = nullptr;
    const LSTATUS status = RegCreateKeyExW(HKEY_CLASSES_ROOT, kKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                           KEY_SET_VALUE, nullptr, &probe, nullptr);
    if (status == ERROR_SUCCESS) {
      RegCloseKey(probe);
      GTEST_SKIP() << "this registry does not enforce key access lists";
    }
  }

  std::vector<PackageEntry> entries;
  for (int i = 0; i < 4; ++i) entries.push_back({"w" + std::to_string(i) + ".vpx", Text("w"), 0, kPackerLzma, ""});
  Load(SpecWith(entries));
  progress::SfxProgress registry_progress;
  progress::ProgressCallback callback;
  callback.AddListener(&registry_progress);
  LogCapture capture;
  EXPECT_EQ(archive_.ExtractAllFiles(OutFolder(), &callback), 0u);
  const auto lines = capture.Lines("regis");
  ASSERT_EQ(lines.size(), 5u);  // 0, 25, 50, 75, 100
  std::vector<std::wstring> percents;
  for (const auto& line : lines) {
    EXPECT_EQ(line.level, "error");
    const std::wstring prefix = L"SetValueImpl: cannot set value 'KaldorProgress' = '";
    ASSERT_EQ(line.message.rfind(prefix, 0), 0u) << line.message;
    const std::wstring rest = line.message.substr(prefix.size());
    percents.push_back(rest.substr(0, rest.find(L'\'')));
    EXPECT_NE(rest.find(L"', code 5 (0x00000005) ["), std::wstring::npos) << line.message;
  }
  std::sort(percents.begin(), percents.end());
  EXPECT_EQ(percents, (std::vector<std::wstring>{L"0", L"100", L"25", L"50", L"75"}));
  EXPECT_EQ(OutputNames().size(), 4u);

  // Open the key again so that it can be removed.
  HKEY owner = nullptr;
  if (RegOpenKeyExW(HKEY_CLASSES_ROOT, kKey, 0, WRITE_DAC, &owner) == ERROR_SUCCESS) {
    SECURITY_DESCRIPTOR open;
    InitializeSecurityDescriptor(&open, SECURITY_DESCRIPTOR_REVISION);
    SetSecurityDescriptorDacl(&open, TRUE, nullptr, FALSE);
    RegSetKeySecurity(owner, DACL_SECURITY_INFORMATION, &open);
    RegCloseKey(owner);
  }
}

}  // namespace
}  // namespace krv::sfxarc
