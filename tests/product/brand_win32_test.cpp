// Brand identification under Wine: the process-local storage, the stored
// record, detection by version resource and by registered installation, and
// a second module that sees the first one's records. This test program
// carries a version resource naming KESTIL.
#include <windows.h>

#include <gtest/gtest.h>

#include <typeinfo>

#include "product/brand.h"
#include "product/brand_detection.h"
#include "product/process_local_storage.h"
#include "runtime/exceptions.h"
#include "runtime/registry_helpers.h"
#include "tests/product/registry_fixture.h"

namespace krv::branding {
namespace {

std::wstring TestFolder() {
  wchar_t path[MAX_PATH];
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path);
  return folder.substr(0, folder.rfind(L'\\'));
}

// A module of the test folder, loaded for the test's length.
class LoadedModule {
 public:
  explicit LoadedModule(const wchar_t* name) : path_(TestFolder() + L"\\" + name) {
    module_ = LoadLibraryW(path_.c_str());
    EXPECT_NE(module_, nullptr) << "loading the test module";
  }
  ~LoadedModule() {
    if (module_ != nullptr) FreeLibrary(module_);
  }
  LoadedModule(const LoadedModule&) = delete;
  LoadedModule& operator=(const LoadedModule&) = delete;
  HMODULE get() const { return module_; }
  const std::wstring& path() const { return path_; }
  template <class F>
  F function(const char* name) const {
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module_, name)));
  }

 private:
  std::wstring path_;
  HMODULE module_ = nullptr;
};

template <class F>
std::string ErrorOf(F call) {
  try {
    call();
  } catch (const exceptions::error& e) {
    return e.what();
  }
  return "(nothing raised)";
}

TEST(ProcessLocalStorage, ValuesByNameAndType) {
  Brand brand = Brand::Invalid;
  EXPECT_FALSE(PlsGet("krv::tests::absent", &brand));
  PlsSet("krv::tests::brand", Brand::Hollo);
  ASSERT_TRUE(PlsGet("krv::tests::brand", &brand));
  EXPECT_EQ(brand, Brand::Hollo);
  PlsSet("krv::tests::brand", Brand::Kestil);
  ASSERT_TRUE(PlsGet("krv::tests::brand", &brand));
  EXPECT_EQ(brand, Brand::Kestil);

  const wchar_t* text = PlsStringCopy(std::wstring(L"C:\\folder"));
  PlsSet("krv::tests::text", text);
  const wchar_t* read = nullptr;
  ASSERT_TRUE(PlsGet("krv::tests::text", &read));
  EXPECT_STREQ(read, L"C:\\folder");
  EXPECT_EQ(PlsStringCopy(std::nullopt), nullptr);

  Product product = Product::None;
  EXPECT_THROW(PlsGet("krv::tests::brand", &product), std::bad_cast);
}

TEST(ProcessLocalStorage, PublishedThroughTheWindowClass) {
  PlsSet("krv::tests::published", Brand::Orvane);
  WNDCLASSEXW info = {};
  info.cbSize = sizeof(info);
  EXPECT_TRUE(GetClassInfoExW(GetModuleHandleW(nullptr), L"{9C7565A2-47C2-4869-B388-8C7F9AD8E577}", &info));
  EXPECT_NE(info.lpfnWndProc, nullptr);
}

// Counts the string reads of detection.
int g_queries = 0;
LSTATUS WINAPI CountingQuery(HKEY key, LPCWSTR name, LPDWORD reserved, LPDWORD type, LPBYTE data, LPDWORD size) {
  ++g_queries;
  return RegQueryValueExW(key, name, reserved, type, data, size);
}

TEST(GetBrandInfo, StoredRecordIsAnsweredWithoutTheRegistry) {
  SetBrand(Brand::Kestil);
  g_queries = 0;
  os::testing::scoped_registry_query counting(&CountingQuery);
  const BrandInfo r = GetBrandInfo(BrandingPlsName::pkgrun);
  EXPECT_EQ(r.brand, Brand::Kestil);
  EXPECT_EQ(r.product, Product::None);
  EXPECT_FALSE(r.subkey || r.program_folder || r.data_folder);
  EXPECT_STREQ(r.product_display_name, L"KESTIL Antivirus");
  EXPECT_EQ(g_queries, 0);
  EXPECT_EQ(GetBrand(), Brand::Kestil);
}

TEST(GetBrandInfo, StoredInvalidBrandCountsAsNone) {
  krv::testing::ProductRegistryLock lock;
  PlsSet(PlsSlotKey(BrandingPlsName::sweepo) + "Brand2", Brand::Invalid);
  // Nothing registered holds this program: its version resource decides,
  // and that answer is not stored.
  EXPECT_EQ(GetBrandInfo(BrandingPlsName::sweepo).brand, Brand::Kestil);
  Brand stored = Brand::Orvane;
  ASSERT_TRUE(PlsGet(PlsSlotKey(BrandingPlsName::sweepo) + "Brand2", &stored));
  EXPECT_EQ(stored, Brand::Invalid);
}

TEST(GetBrandFromImagePrefix, FileNamePrefixes) {
  const auto& table = ImagePrefixTable();
  EXPECT_EQ(GetBrandFromImagePrefix(L"C:\\Program Files\\Orvane\\krvsfx.exe", table), Brand::Orvane);
  EXPECT_EQ(GetBrandFromImagePrefix(L"C:\\Program Files\\Orvane\\KRVsfx.exe", table), Brand::Invalid);
  EXPECT_EQ(GetBrandFromImagePrefix(L"C:\\x\\kestil.exe", table), Brand::Kestil);
  EXPECT_EQ(ErrorOf([&] { GetBrandFromImagePrefix(L"krvsfx.exe", table); }),
            "Could not extract image name from image path");
}

TEST(GetBrandFromModuleResource, CompanyNameOfTheModule) {
  struct Case {
    const wchar_t* module;
    Brand expected;
  };
  const Case cases[] = {{L"brand_module_orvane.dll", Brand::Orvane},
                        {L"brand_module_kestil.dll", Brand::Kestil},
                        {L"brand_module_both.dll", Brand::Orvane},
                        {L"brand_module_none.dll", Brand::Invalid},
                        {L"brand_module_stub.dll", Brand::Orvane}};
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.module);
    LoadedModule module(c.module);
    EXPECT_EQ(GetBrandFromModuleResource(module.get()), c.expected);
  }
  EXPECT_EQ(GetBrandFromModuleResource(GetModuleHandleW(nullptr)), Brand::Kestil);
  EXPECT_EQ(ErrorOf([] { GetBrandFromModuleResource(nullptr); }), "hModule is invalid");
  LoadedModule plain(L"brand_pls_client.dll");
  EXPECT_EQ(ErrorOf([&] { GetBrandFromModuleResource(plain.get()); }), "Resource section is empty");
}

// Registers a candidate installation in the 32-bit view.
void Register(krv::testing::ScratchKey& key, const std::wstring& program, const wchar_t* data) {
  key.SetString(L"ProgramFolder", program);
  if (data != nullptr) key.SetString(L"DataFolder", data);
}

TEST(MatchBrandByImagePath, RegisteredInstallationsHoldingTheImage) {
  krv::testing::ProductRegistryLock lock;
  using krv::testing::ScratchKey;
  const std::wstring folder = TestFolder();
  LoadedModule orvane(L"brand_module_orvane.dll");
  LoadedModule none(L"brand_module_none.dll");
  const std::vector<BrandInfo> candidates = InstallationCandidates();

  EXPECT_EQ(MatchBrandByImagePath(orvane.path(), candidates).brand, Brand::Invalid) << "nothing registered";
  {
    // A folder whose name only begins the image's folder name holds nothing.
    ScratchKey partial(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Orvane Software\\Sweepo", KEY_WOW64_32KEY);
    Register(partial, folder.substr(0, folder.size() - 2), L"D:\\data");
    EXPECT_EQ(MatchBrandByImagePath(orvane.path(), candidates).brand, Brand::Invalid);
  }
  {
    ScratchKey sweepo(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Orvane Software\\Sweepo", KEY_WOW64_32KEY);
    Register(sweepo, folder, L"D:\\sweepo data");
    const BrandInfo one = MatchBrandByImagePath(orvane.path(), candidates);
    EXPECT_EQ(one.brand, Brand::Orvane);
    EXPECT_EQ(one.product, Product::Sweepo);
    EXPECT_EQ(one.ProgramFolder(), folder);
    EXPECT_EQ(one.DataFolder(), L"D:\\sweepo data");

    ScratchKey antivirus(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Orvane Software\\Orvane", KEY_WOW64_32KEY);
    Register(antivirus, folder, L"D:\\orvane data");
    const BrandInfo two = MatchBrandByImagePath(orvane.path(), candidates);
    EXPECT_EQ(two.brand, Brand::Orvane);
    EXPECT_EQ(two.product, Product::Antivirus);
    EXPECT_EQ(two.DataFolder(), L"D:\\orvane data");
    EXPECT_EQ(MatchBrandByImagePath(none.path(), candidates).brand, Brand::Invalid)
        << "the module's resource names no brand";
  }
  {
    ScratchKey in_64_bit_view(HKEY_LOCAL_MACHINE, L"SOFTWARE\\Orvane Software\\Orvane", KEY_WOW64_64KEY);
    Register(in_64_bit_view, folder, L"D:\\data");
    ScratchKey no_data(HKEY_LOCAL_MACHINE, L"SOFTWARE\\KESTIL\\Sweepo", KEY_WOW64_32KEY);
    Register(no_data, folder, nullptr);
    EXPECT_EQ(MatchBrandByImagePath(orvane.path(), candidates).brand, Brand::Invalid)
        << "only the 32-bit view counts, and a data folder is required";
  }
}

TEST(ProcessLocalStorage, SecondModuleSeesTheFirstModulesRecords) {
  LoadedModule client(L"brand_pls_client.dll");
  const auto stored_brand = client.function<uint32_t (*)()>("krv_test_stored_brand");
  const auto set_brand = client.function<void (*)(uint32_t)>("krv_test_set_brand");
  ASSERT_NE(stored_brand, nullptr);
  ASSERT_NE(set_brand, nullptr);
  SetBrand(Brand::Kestil);
  EXPECT_EQ(stored_brand(), static_cast<uint32_t>(Brand::Kestil));
  set_brand(static_cast<uint32_t>(Brand::Orvane));
  EXPECT_EQ(GetBrandInfo(BrandingPlsName::pkgrun).brand, Brand::Orvane);
}

}  // namespace
}  // namespace krv::branding
