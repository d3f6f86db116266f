#pragma once
// Registry keys of the product, derived from the brand (Windows code: the
// brand's names come from the process-local storage). Paths are below
// HKEY_LOCAL_MACHINE, without a leading or trailing backslash.

#include <string>

namespace krv::product {

// The product's key: the installation's subkey when the record of slot 0 is
// an Antivirus installation that has one; otherwise "SOFTWARE\<company key
// name>\<product key name>" ("SOFTWARE\ORVANE Software\Orvane" for Orvane,
// "SOFTWARE\KESTIL\Antivirus" for Kestil). Raises what GetBrandInfo raises.
std::wstring GetAvRegistrySubkey();

// "SOFTWARE\<company key name>".
std::wstring GetCompanyRegistryKey();

// GetCompanyRegistryKey followed by "\Velbrowser".
std::wstring GetBrowserRegistryKey();

}  // namespace krv::product
