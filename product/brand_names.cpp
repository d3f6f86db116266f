#include "product/brand_names.h"

#include "product/brand.h"

namespace krv::branding {
namespace {

struct Names {
  std::wstring company, product, display;
};

const Names& NamesOf(Brand brand) {
  static const Names kOrvane{L"ORVANE Software", L"Orvane", L"Orvane Antivirus"};
  static const Names kKestil{L"KESTIL", L"Antivirus", L"KESTIL Antivirus"};
  static const Names kHollo{L"Dormex", L"Hollo Pro VPN", L"Hollo Pro VPN"};
  switch (brand) {
    case Brand::Kestil: return kKestil;
    case Brand::Hollo: return kHollo;
    default: return kOrvane;
  }
}

}  // namespace

const std::wstring& CompanyKeyName() { return NamesOf(GetBrand()).company; }
const std::wstring& ProductKeyName() { return NamesOf(GetBrand()).product; }
const std::wstring& ProductDisplayName() { return NamesOf(GetBrand()).display; }

}  // namespace krv::branding
