#pragma once
// The brand's names used in registry keys, folders and messages. Each is
// taken from the record of slot 0 (GetBrandInfo) on first use and kept for
// the process as a lifetime object, destroyed by the exit action of priority
// 10. Windows code.

#include <string>

namespace krv::branding {

// "ORVANE Software", "KESTIL" or "Dormex". Raise what GetBrandInfo raises on
// first use; krv::lifetime::object_already_destroyed after the exit action
// ran and krv::lifetime::object_creation_error after a failed first use.
std::wstring CompanyKeyName();
// "Orvane", "Antivirus" or "Hollo Pro VPN". Raises as CompanyKeyName.
std::wstring ProductKeyName();
// "Orvane Antivirus", "KESTIL Antivirus" or "Hollo Pro VPN": the name in
// messages. Raises as CompanyKeyName.
std::wstring ProductDisplayName();

}  // namespace krv::branding
