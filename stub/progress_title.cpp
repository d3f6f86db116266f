#include "stub/progress_title.h"

namespace krv::stub {
namespace {

constexpr uint16_t kDefaultLanguage = 0;
constexpr uint16_t kFrench = 1036;

// Editions 1, 2, 3, 12, 14 and 18 belong to the first brand, 15 to 17 to the
// second; 1, 12 and 15 also have French names.
const EditionNameMap kEditionNames = {
    {1, {{kDefaultLanguage, L"Free Antivirus"}, {kFrench, L"Antivirus Gratuit"}}},
    {2, {{kDefaultLanguage, L"Pro Antivirus"}}},
    {3, {{kDefaultLanguage, L"Internet Security"}}},
    {12, {{kDefaultLanguage, L"Premier"}, {kFrench, L"Premier"}}},
    {14, {{kDefaultLanguage, L"Ultimate"}}},
    {18, {{kDefaultLanguage, L"Business Security"}}},
    {15, {{kDefaultLanguage, L"Free Antivirus"}, {kFrench, L"Antivirus Gratuit"}}},
    {16, {{kDefaultLanguage, L"Internet Security"}}},
    {17, {{kDefaultLanguage, L"Total Security"}}},
};

const wchar_t* BrandPrefix(int32_t edition) {
  return (edition >= 15 && edition <= 17) ? L"KESTIL " : L"Orvane ";
}

}  // namespace

const EditionNameMap& EditionNameTable() { return kEditionNames; }

std::wstring MakeProgressTitle(bool with_brand, uint16_t language, int32_t edition) {
  auto names = kEditionNames.find(edition);
  if (names == kEditionNames.end()) return {};
  // An exact language match only: other variants of a language fall back to
  // the default name.
  auto name = names->second.find(language);
  if (name == names->second.end()) name = names->second.find(kDefaultLanguage);
  if (name == names->second.end()) return {};
  return with_brand ? BrandPrefix(edition) + name->second : name->second;
}

}  // namespace krv::stub
