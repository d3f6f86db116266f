#include "product/brand.h"

#include <cwchar>

#include "runtime/exceptions.h"

namespace krv::branding {
namespace {

// Flags of the brand table, one per brand.
constexpr uint32_t kOrvaneFlag = 16;
constexpr uint32_t kKestilFlag = 128;
constexpr uint32_t kHolloFlag = 256;

const std::wstring& Required(const std::optional<std::wstring>& member, const char* refusal) {
  if (!member) throw exceptions::error("%s", refusal);
  return *member;
}

void SetNames(BrandInfo& r, const wchar_t* prefix, const wchar_t* short_name, const wchar_t* product_key,
              const wchar_t* display, const wchar_t* company_key, const wchar_t* brand_name,
              const wchar_t* company) {
  r.object_prefix = prefix;
  r.short_name = short_name;
  r.product_key_name = product_key;
  r.product_display_name = display;
  r.company_key_name = company_key;
  r.brand_name = brand_name;
  r.company_name = company;
}

}  // namespace

const std::wstring& BrandInfo::Subkey() const { return Required(subkey, "Registry subkey member is empty."); }

const std::wstring& BrandInfo::ProgramFolder() const {
  return Required(program_folder, "Program folder member is empty.");
}

const std::wstring& BrandInfo::DataFolder() const { return Required(data_folder, "Data folder member is empty."); }

BrandInfo MakeBrandRecord(uint32_t brand) {
  BrandInfo r;
  switch (brand) {
    case static_cast<uint32_t>(Brand::Invalid):
      break;
    case static_cast<uint32_t>(Brand::Orvane):
      r.brand = Brand::Orvane;
      SetNames(r, L"krv", L"orvane", L"Orvane", L"Orvane Antivirus", L"ORVANE Software", L"Orvane",
               L"ORVANE Software");
      r.antivirus_name_old = L"Orvane AntiVirus";
      r.antivirus_name = L"Orvane Antivirus";
      r.service_image = L"krvsvc.exe";
      r.firewall_name = L"Orvane Firewall";
      r.firewall_service_name = L"krvfw";
      r.firewall_image = L"krvfwsvc.exe";
      r.firewall_service_description = L"Orvane Firewall Service";
      r.console_short_id = L"krvcc";
      r.console_name = L"Orvane Console Client";
      r.console_display_name = L"Orvane Console Client";
      r.console_image = L"krvccl.exe";
      r.console_av_service_name = L"Orvane Console Antivirus Service";
      r.console_av_service_display_name = L"Orvane Console Antivirus Service";
      r.console_av_service_description = L"Orvane Console Antivirus Service";
      r.console_av_service_image = L"krvccav.exe";
      r.ui_image = L"krvui.exe";
      r.brand_flags = kOrvaneFlag;
      break;
    case static_cast<uint32_t>(Brand::Kestil):
      r.brand = Brand::Kestil;
      SetNames(r, L"kestil", L"kestil", L"Antivirus", L"KESTIL Antivirus", L"KESTIL", L"KESTIL",
               L"KESTIL Technologies");
      r.antivirus_name_old = L"KESTIL AntiVirus";
      r.antivirus_name = L"KESTIL Antivirus";
      r.service_image = L"kestilsvc.exe";
      r.firewall_name = L"KESTIL Firewall";
      r.firewall_service_name = L"kestilfw";
      r.firewall_image = L"krvfwsvc.exe";
      r.firewall_service_description = L"KESTIL Firewall Service";
      r.console_short_id = L"kestilcc";
      r.console_name = L"KESTIL Console Client";
      r.console_display_name = L"KESTIL Console Client";
      r.console_image = L"krvccl.exe";
      r.console_av_service_name = L"KESTIL Console Antivirus Service";
      r.console_av_service_display_name = L"KESTIL Console Antivirus Service";
      r.console_av_service_description = L"KESTIL Console Antivirus Service";
      r.console_av_service_image = L"kestilccav.exe";
      r.ui_image = L"kestilui.exe";
      r.brand_flags = kKestilFlag;
      break;
    case static_cast<uint32_t>(Brand::Hollo):
      r.brand = Brand::Hollo;
      SetNames(r, L"hollo", L"hollo", L"Hollo Pro VPN", L"Hollo Pro VPN", L"Dormex", L"Dormex", L"Dormex");
      r.brand_flags = kHolloFlag;
      break;
    default:
      throw exceptions::fatal("Not even invalid brand. Wtf?");
  }
  return r;
}

std::string PlsSlotKey(BrandingPlsName slot) {
  switch (slot) {
    case BrandingPlsName::pkgrun: return "krv::branding::pkgrun";
    case BrandingPlsName::browserSweepo: return "krv::branding::browserSweepo";
    case BrandingPlsName::tarnline: return "krv::branding::tarnline";
    case BrandingPlsName::Velbrowser: return "krv::branding::Velbrowser";
    case BrandingPlsName::sweepo: return "krv::branding::sweepo";
  }
  throw exceptions::error("Could not translate BrandingPlsName enum into string: %d", static_cast<int>(slot));
}

std::vector<BrandInfo> InstallationCandidates() {
  struct Row {
    Brand brand;
    Product product;
    const wchar_t* company;
    const wchar_t* name;
  };
  static const Row kRows[] = {
      {Brand::Orvane, Product::Antivirus, L"Orvane Software", L"Orvane"},
      {Brand::Kestil, Product::Antivirus, L"KESTIL", L"Antivirus"},
      {Brand::Orvane, Product::Sweepo, L"Orvane Software", L"Sweepo"},
      {Brand::Kestil, Product::Sweepo, L"KESTIL", L"Sweepo"},
      {Brand::Orvane, Product::Velbrowser, L"Orvane Software", L"Velbrowser"},
      {Brand::Kestil, Product::Velbrowser, L"KESTIL", L"Velbrowser"},
      {Brand::Orvane, Product::Tarnline, L"Orvane Software", L"Tarnline"},
      {Brand::Kestil, Product::Tarnline, L"KESTIL", L"Tarn VPN"},
      {Brand::Orvane, Product::Mendall, L"Orvane Software", L"Mendall"},
      {Brand::Kestil, Product::Mendall, L"KESTIL", L"Mendall"},
      {Brand::Hollo, Product::HolloProVpn, L"Dormex", L"Hollo Pro VPN"},
  };
  std::vector<BrandInfo> candidates;
  for (const Row& row : kRows) {
    BrandInfo r = MakeBrandRecord(static_cast<uint32_t>(row.brand));
    r.product = row.product;
    r.subkey = std::wstring(L"SOFTWARE\\") + row.company + L"\\" + row.name;
    candidates.push_back(std::move(r));
  }
  return candidates;
}

const std::vector<BrandPrefix>& ImagePrefixTable() {
  static const std::vector<BrandPrefix> kTable = {{L"krv", Brand::Orvane}, {L"kestil", Brand::Kestil}};
  return kTable;
}

Brand BrandFromImageName(const std::wstring& image_name, const std::vector<BrandPrefix>& table) {
  for (const BrandPrefix& row : table)
    if (image_name.compare(0, std::wcslen(row.prefix), row.prefix) == 0) return row.brand;
  return Brand::Invalid;
}

}  // namespace krv::branding
