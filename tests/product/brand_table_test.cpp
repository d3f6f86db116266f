// The brand table, the storage slots, the detection candidates, the image
// prefixes and the version-resource walk: platform-neutral rules.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "product/brand.h"
#include "product/version_resource.h"
#include "runtime/exceptions.h"

namespace krv::branding {
namespace {

TEST(BrandTable, RecordsOfEachBrand) {
  struct Case {
    Brand brand;
    const wchar_t* prefix;
    const wchar_t* product_key;
    const wchar_t* display;
    const wchar_t* company_key;
    const wchar_t* company;
    uint32_t flags;
  };
  const Case cases[] = {
      {Brand::Orvane, L"krv", L"Orvane", L"Orvane Antivirus", L"ORVANE Software", L"ORVANE Software", 16},
      {Brand::Kestil, L"kestil", L"Antivirus", L"KESTIL Antivirus", L"KESTIL", L"KESTIL Technologies", 128},
      {Brand::Hollo, L"hollo", L"Hollo Pro VPN", L"Hollo Pro VPN", L"Dormex", L"Dormex", 256},
  };
  for (const Case& c : cases) {
    const BrandInfo r = MakeBrandRecord(static_cast<uint32_t>(c.brand));
    SCOPED_TRACE(r.brand_name);
    EXPECT_EQ(r.brand, c.brand);
    EXPECT_EQ(r.product, Product::None);
    EXPECT_FALSE(r.subkey || r.program_folder || r.data_folder);
    EXPECT_STREQ(r.object_prefix, c.prefix);
    EXPECT_STREQ(r.product_key_name, c.product_key);
    EXPECT_STREQ(r.product_display_name, c.display);
    EXPECT_STREQ(r.company_key_name, c.company_key);
    EXPECT_STREQ(r.company_name, c.company);
    EXPECT_EQ(r.brand_flags, c.flags);
  }
  const BrandInfo orvane = MakeBrandRecord(1), kestil = MakeBrandRecord(2);
  EXPECT_STREQ(orvane.firewall_image, kestil.firewall_image);
  EXPECT_STREQ(orvane.console_image, kestil.console_image);
  EXPECT_EQ(MakeBrandRecord(3).antivirus_name, nullptr);

  const BrandInfo invalid = MakeBrandRecord(0);
  EXPECT_EQ(invalid.brand, Brand::Invalid);
  EXPECT_EQ(invalid.product_display_name, nullptr);
  EXPECT_EQ(invalid.brand_flags, 0u);
  try {
    MakeBrandRecord(4);
    ADD_FAILURE() << "brand 4 accepted";
  } catch (const exceptions::fatal& e) {
    EXPECT_STREQ(e.what(), "Not even invalid brand. Wtf?");
  }
}

TEST(BrandTable, MissingInstallationMembersAreRefused) {
  const BrandInfo r = MakeBrandRecord(1);
  const struct {
    const std::wstring& (BrandInfo::*get)() const;
    const char* refusal;
  } members[] = {{&BrandInfo::Subkey, "Registry subkey member is empty."},
                 {&BrandInfo::ProgramFolder, "Program folder member is empty."},
                 {&BrandInfo::DataFolder, "Data folder member is empty."}};
  for (const auto& m : members) {
    try {
      (r.*m.get)();
      ADD_FAILURE() << m.refusal;
    } catch (const exceptions::error& e) {
      EXPECT_STREQ(e.what(), m.refusal);
    }
  }
}

TEST(BrandTable, SlotKeys) {
  EXPECT_EQ(PlsSlotKey(BrandingPlsName::pkgrun), "krv::branding::pkgrun");
  EXPECT_EQ(PlsSlotKey(BrandingPlsName::browserSweepo), "krv::branding::browserSweepo");
  EXPECT_EQ(PlsSlotKey(BrandingPlsName::sweepo), "krv::branding::sweepo");
  try {
    PlsSlotKey(static_cast<BrandingPlsName>(5));
    ADD_FAILURE() << "slot 5 accepted";
  } catch (const exceptions::error& e) {
    EXPECT_STREQ(e.what(), "Could not translate BrandingPlsName enum into string: 5");
  }
}

TEST(BrandTable, ElevenCandidatesInOrder) {
  const std::vector<BrandInfo> c = InstallationCandidates();
  ASSERT_EQ(c.size(), 11u);
  EXPECT_EQ(c[0].brand, Brand::Orvane);
  EXPECT_EQ(c[0].product, Product::Antivirus);
  EXPECT_EQ(c[0].Subkey(), L"SOFTWARE\\Orvane Software\\Orvane");
  EXPECT_EQ(c[1].Subkey(), L"SOFTWARE\\KESTIL\\Antivirus");
  EXPECT_EQ(c[3].product, Product::Sweepo);
  EXPECT_EQ(c[7].Subkey(), L"SOFTWARE\\KESTIL\\Tarn VPN");
  EXPECT_EQ(c[10].brand, Brand::Hollo);
  EXPECT_EQ(c[10].Subkey(), L"SOFTWARE\\Dormex\\Hollo Pro VPN");
  EXPECT_STREQ(c[10].product_display_name, L"Hollo Pro VPN");
}

TEST(BrandTable, ImageNamePrefixesCountCase) {
  const auto& table = ImagePrefixTable();
  EXPECT_EQ(BrandFromImageName(L"krvsfx.exe", table), Brand::Orvane);
  EXPECT_EQ(BrandFromImageName(L"KRVsfx.exe", table), Brand::Invalid);
  EXPECT_EQ(BrandFromImageName(L"kestilui.exe", table), Brand::Kestil);
  EXPECT_EQ(BrandFromImageName(L"Kestilui.exe", table), Brand::Invalid);
  EXPECT_EQ(BrandFromImageName(L"kr", table), Brand::Invalid);
}

// A version block laid out as the resource compiler writes it.
struct VersionBlock {
  std::u16string key;
  std::vector<uint8_t> value;
  uint16_t type = 1;
  uint16_t value_length = 0;
  std::vector<VersionBlock> children;
};

void Pad(std::vector<uint8_t>& b) {
  while (b.size() % 4 != 0) b.push_back(0);
}

std::vector<uint8_t> Bytes(const VersionBlock& block) {
  std::vector<uint8_t> b(6, 0);
  for (char16_t c : block.key + u'\0') {
    b.push_back(static_cast<uint8_t>(c));
    b.push_back(static_cast<uint8_t>(c >> 8));
  }
  Pad(b);
  b.insert(b.end(), block.value.begin(), block.value.end());
  for (const VersionBlock& child : block.children) {
    Pad(b);
    const std::vector<uint8_t> c = Bytes(child);
    b.insert(b.end(), c.begin(), c.end());
  }
  b[0] = static_cast<uint8_t>(b.size());
  b[1] = static_cast<uint8_t>(b.size() >> 8);
  b[2] = static_cast<uint8_t>(block.value_length);
  b[3] = static_cast<uint8_t>(block.value_length >> 8);
  b[4] = static_cast<uint8_t>(block.type);
  return b;
}

VersionBlock Text(const std::u16string& key, const std::u16string& text) {
  VersionBlock b{key, {}, 1, static_cast<uint16_t>(text.size() + 1), {}};
  for (char16_t c : text + u'\0') {
    b.value.push_back(static_cast<uint8_t>(c));
    b.value.push_back(static_cast<uint8_t>(c >> 8));
  }
  return b;
}

VersionBlock Root(std::vector<VersionBlock> infos) {
  // The root carries a 52-byte binary fixed-file-info value.
  return VersionBlock{u"VS_VERSION_INFO", std::vector<uint8_t>(52, 0xAB), 0, 52, std::move(infos)};
}

VersionBlock Strings(std::u16string info_key, std::vector<VersionBlock> tables) {
  return VersionBlock{std::move(info_key), {}, 1, 0, std::move(tables)};
}

VersionBlock Table(std::vector<VersionBlock> strings) { return VersionBlock{u"040904b0", {}, 1, 0, std::move(strings)}; }

Brand BrandOf(const VersionBlock& root) {
  const std::vector<uint8_t> bytes = Bytes(root);
  return BrandFromVersionBlock(bytes.data(), bytes.size());
}

TEST(VersionResource, CompanyNameDecides) {
  struct Case {
    const char* name;
    VersionBlock root;
    Brand expected;
  };
  const Case cases[] = {
      {"Orvane Software",
       Root({Strings(u"StringFileInfo", {Table({Text(u"CompanyName", u"Orvane Software")})})}), Brand::Orvane},
      {"KESTIL Technologies",
       Root({Strings(u"StringFileInfo", {Table({Text(u"CompanyName", u"KESTIL Technologies")})})}), Brand::Kestil},
      {"both words: Orvane is tested first",
       Root({Strings(u"StringFileInfo", {Table({Text(u"CompanyName", u"kestil and ORVANE")})})}), Brand::Orvane},
      {"no brand word",
       Root({Strings(u"StringFileInfo", {Table({Text(u"CompanyName", u"Dormex")})})}), Brand::Invalid},
      {"keys compared ignoring case",
       Root({Strings(u"stringfileinfo", {Table({Text(u"COMPANYNAME", u"orvane")})})}), Brand::Orvane},
      {"another string names a brand",
       Root({Strings(u"StringFileInfo", {Table({Text(u"ProductName", u"Orvane"), Text(u"CompanyName", u"x")})})}),
       Brand::Invalid},
      {"company name outside StringFileInfo",
       Root({Strings(u"VarFileInfo", {Table({Text(u"CompanyName", u"Orvane")})})}), Brand::Invalid},
      {"second table names the brand",
       Root({Strings(u"StringFileInfo", {Table({Text(u"FileDescription", u"d")}),
                                          Table({Text(u"CompanyName", u"KESTIL")})})}),
       Brand::Kestil},
      {"after a VarFileInfo",
       Root({Strings(u"VarFileInfo", {}), Strings(u"StringFileInfo", {Table({Text(u"CompanyName", u"Kestil")})})}),
       Brand::Kestil},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(BrandOf(c.root), c.expected);
  }
}

TEST(VersionResource, MalformedBlocksNameNoBrand) {
  const VersionBlock root =
      Root({Strings(u"StringFileInfo", {Table({Text(u"CompanyName", u"Orvane Software")})})});
  const std::vector<uint8_t> whole = Bytes(root);
  ASSERT_EQ(BrandFromVersionBlock(whole.data(), whole.size()), Brand::Orvane);
  // A cut anywhere leaves the root block longer than the data.
  for (size_t size = 0; size < whole.size(); ++size) {
    SCOPED_TRACE(size);
    const std::vector<uint8_t> cut(whole.begin(), whole.begin() + static_cast<long>(size));
    EXPECT_EQ(BrandFromVersionBlock(cut.data(), cut.size()), Brand::Invalid);
  }
  // A value length beyond its block.
  VersionBlock overlong = Text(u"CompanyName", u"Orvane");
  overlong.value_length = 400;
  EXPECT_EQ(BrandOf(Root({Strings(u"StringFileInfo", {Table({overlong})})})), Brand::Invalid);
  EXPECT_EQ(BrandFromVersionBlock(nullptr, 100), Brand::Invalid);
}

}  // namespace
}  // namespace krv::branding
