// The built stub's image: what the loader binds at start, what is
// delay-loaded, the hardening flags and the exports.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <fstream>
#include <iterator>
#include <set>

#include "tests/e2e/support/pe_image.h"

namespace krv::e2e {
namespace {

constexpr uint16_t kDynamicBase = 0x0040;
constexpr uint16_t kNxCompat = 0x0100;
constexpr uint16_t kTerminalServerAware = 0x8000;
constexpr int kRelocationDirectory = 5;

std::string Upper(std::string s) {
  std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return s;
}

struct Build {
  const char* name;
  std::string stub;
  bool pe32_plus;
};

std::vector<Build> Builds() {
  return {{"i686", std::string(KRV_WINDOWS32_BIN_DIR) + "/stub/sfxstub.exe", false},
          {"x86_64", std::string(KRV_WINDOWS64_BIN_DIR) + "/stub/sfxstub.exe", true}};
}

TEST(StubImage, BindsOnlyKernelNtdllAndTheCRuntimeAtLoad) {
  const std::set<std::string> allowed = {"KERNEL32.DLL", "NTDLL.DLL", "MSVCRT.DLL"};
  for (const Build& b : Builds()) {
    SCOPED_TRACE(b.name);
    PeImage image(b.stub);
    ASSERT_TRUE(image.ok()) << b.stub;
    EXPECT_EQ(image.is_pe32_plus(), b.pe32_plus);
    std::vector<std::string> imports = image.imports();
    EXPECT_FALSE(imports.empty());
    for (const std::string& dll : imports) EXPECT_TRUE(allowed.count(Upper(dll))) << "load-time import " << dll;
  }
}

TEST(StubImage, DelayLoadsTheOtherSystemLibraries) {
  const std::set<std::string> delayed = {"USER32.DLL", "GDI32.DLL",   "ADVAPI32.DLL", "SHELL32.DLL",
                                         "OLE32.DLL",  "GDIPLUS.DLL", "PSAPI.DLL",    "SHLWAPI.DLL"};
  for (const Build& b : Builds()) {
    SCOPED_TRACE(b.name);
    PeImage image(b.stub);
    ASSERT_TRUE(image.ok()) << b.stub;
    std::vector<std::string> names = image.delay_imports();
    std::set<std::string> seen;
    for (const std::string& dll : names) {
      EXPECT_TRUE(delayed.count(Upper(dll))) << "unexpected delay import " << dll;
      seen.insert(Upper(dll));
    }
    // The message boxes and the registry are used by every run.
    EXPECT_TRUE(seen.count("USER32.DLL"));
    EXPECT_TRUE(seen.count("ADVAPI32.DLL"));
    EXPECT_EQ(image.directory_size(13), names.size() * 32);
  }
}

TEST(StubImage, IsRelocatableWithNxAndTerminalServerAwareness) {
  for (const Build& b : Builds()) {
    SCOPED_TRACE(b.name);
    PeImage image(b.stub);
    ASSERT_TRUE(image.ok()) << b.stub;
    EXPECT_EQ(image.dll_characteristics() & kDynamicBase, kDynamicBase);
    EXPECT_EQ(image.dll_characteristics() & kNxCompat, kNxCompat);
    EXPECT_EQ(image.dll_characteristics() & kTerminalServerAware, kTerminalServerAware);
    EXPECT_GT(image.directory_size(kRelocationDirectory), 0u);
  }
}

TEST(StubImage, ExportsTheExitSequenceHooks) {
  for (const Build& b : Builds()) {
    SCOPED_TRACE(b.name);
    PeImage image(b.stub);
    ASSERT_TRUE(image.ok()) << b.stub;
    std::vector<std::string> names = image.exports();
    for (const char* name : {"on_orvane_dll_unload", "onexit_register_connector_orvane_2"})
      EXPECT_NE(std::find(names.begin(), names.end(), name), names.end()) << name;
  }
}

// The stub only unpacks and verifies, and has no console: what a host tool
// needs must not come into it through a shared library or a default of the
// C++ runtime. The link map beside each stub names every object the linker
// took in.
TEST(StubImage, LinksNoEncoderNorRuntimeWeightItDoesNotUse) {
  struct Row {
    const char* what;
    const char* object;
  };
  const Row rows[] = {
      {"zlib's deflate", "libz.a(deflate.o)"},
      {"the LZMA encoder", "LzmaEnc.c"},
      {"the LZMA match finder", "LzFind.c"},
      {"the LZMA match finder's threads", "LzFindMt.c"},
      {"the C++ demangler of the default terminate handler", "cp-demangle.o"},
      {"C++ locales", "libstdc++.a(locale"},
      // The DSA check runs on our own big numbers; Crypto++ is for signing.
      {"Crypto++'s big integers", "libcryptopp-integer.a("},
      {"the rest of the Crypto++ subset", "libcryptopp-subset.a("},
  };
  for (const Build& b : Builds()) {
    SCOPED_TRACE(b.name);
    const std::string map_path = b.stub.substr(0, b.stub.size() - 3) + "map";
    std::ifstream in(map_path);
    ASSERT_TRUE(in) << map_path;
    const std::string map((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    for (const Row& row : rows) EXPECT_EQ(map.find(row.object), std::string::npos) << row.what << ": " << row.object;
  }
}

}  // namespace
}  // namespace krv::e2e
