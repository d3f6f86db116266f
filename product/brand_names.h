#pragma once
// Names derived from the current brand.

#include <string>

namespace krv::branding {

// "ORVANE Software", "KESTIL" or "Dormex".
const std::wstring& CompanyKeyName();
// "Orvane", "Antivirus" or "Hollo Pro VPN".
const std::wstring& ProductKeyName();
// "Orvane Antivirus", "KESTIL Antivirus" or "Hollo Pro VPN": the name in messages.
const std::wstring& ProductDisplayName();

}  // namespace krv::branding
