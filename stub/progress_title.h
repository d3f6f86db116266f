#pragma once
// The progress window's title: the product edition's display name.

#include <cstdint>
#include <map>
#include <string>

namespace krv::stub {

// Edition identifier -> (language identifier -> display name). Language 0 is
// the default language. Built once at static initialisation.
using EditionNames = std::map<uint16_t, std::wstring>;
using EditionNameMap = std::map<int32_t, EditionNames>;
const EditionNameMap& EditionNameTable();

// The edition's name in the given language, else in language 0; with
// `with_brand` the brand prefix ("KESTIL " for editions 15-17, "Orvane "
// otherwise) goes in front. An unknown edition, or one without a name for
// either language, gives an empty text.
std::wstring MakeProgressTitle(bool with_brand, uint16_t language, int32_t edition);

}  // namespace krv::stub
