#include <windows.h>

#include <vector>

#include "product/brand.h"
#include "product/installed_product.h"
#include "product/product_keys.h"
#include "runtime/path_combine.h"
#include "runtime/registry_helpers.h"

namespace krv::product {
namespace {

// A key layout the product has used: the key and the names of its folder
// values. A layout without a data-folder value matches on the program folder
// alone.
struct CandidateKey {
  std::wstring key;
  const wchar_t* program_value;
  const wchar_t* data_value;
};

// The product's key first; under Orvane the older layouts of the previous
// maker follow. The 4.0 layout names no data folder: its keys hold only
// "Orvane4ProgramFolder", so it is matched on that value alone instead of on
// the key's unnamed default value, which nothing of the product writes.
std::vector<CandidateKey> CandidateKeys() {
  std::vector<CandidateKey> keys = {{GetAvRegistrySubkey(), L"ProgramFolder", L"DataFolder"}};
  if (branding::GetBrand() == branding::Brand::Orvane) {
    keys.push_back({L"Software\\Maplor Software\\Orvane", L"ProgramFolder", L"DataFolder"});
    keys.push_back({L"Software\\Maplor Software\\Orvane\\5.0", L"ProgramFolder", L"DataFolder"});
    keys.push_back({L"Software\\Maplor Software\\Orvane\\4.0", L"Orvane4ProgramFolder", nullptr});
  }
  return keys;
}

// "SetupVersion" when it is a REG_DWORD of exactly 4 bytes; else absent,
// with the last error telling why.
uint32_t ReadSetupVersion(HKEY key) {
  BYTE data[16] = {};
  DWORD type = 0;
  DWORD size = sizeof(data);
  const LSTATUS status = RegQueryValueExW(key, L"SetupVersion", nullptr, &type, data, &size);
  if (status == ERROR_SUCCESS && type == REG_DWORD && size == sizeof(DWORD)) {
    SetLastError(ERROR_SUCCESS);
    return static_cast<uint32_t>(data[0] | data[1] << 8 | data[2] << 16 | static_cast<uint32_t>(data[3]) << 24);
  }
  SetLastError(status == ERROR_SUCCESS || status == ERROR_MORE_DATA ? ERROR_INVALID_DATA
                                                                    : static_cast<DWORD>(status));
  return kSetupVersionAbsent;
}

bool ReadCandidate(const CandidateKey& candidate, REGSAM view, InstalledProduct* found) {
  os::registry_key key;
  if (os::open_registry_key(nullptr, HKEY_LOCAL_MACHINE, candidate.key.c_str(), KEY_QUERY_VALUE | view, &key) !=
      ERROR_SUCCESS)
    return false;
  if (os::read_registry_string(key.get(), candidate.program_value, &found->ProgramFolder) != ERROR_SUCCESS)
    return false;
  if (candidate.data_value != nullptr &&
      os::read_registry_string(key.get(), candidate.data_value, &found->DataFolder) != ERROR_SUCCESS)
    return false;
  if (os::read_registry_string(key.get(), L"SetupFolder", &found->SetupFolder) != ERROR_SUCCESS)
    found->SetupFolder = os::combine_path(found->ProgramFolder, L"setup");
  os::read_registry_string(key.get(), L"VLBProgramFolder", &found->VLBProgramFolder);
  os::read_registry_string(key.get(), L"Version", &found->Version);
  found->SetupVersion = ReadSetupVersion(key.get());
  return true;
}

}  // namespace

bool LocateInstalledProduct(InstalledProduct* out) {
  const std::vector<CandidateKey> candidates = CandidateKeys();
  for (const REGSAM view : {os::kDefaultRegistryView, static_cast<REGSAM>(KEY_WOW64_64KEY)}) {
    for (const CandidateKey& candidate : candidates) {
      InstalledProduct found;
      if (!ReadCandidate(candidate, view, &found)) continue;
      const DWORD setup_version_error = GetLastError();
      *out = std::move(found);
      SetLastError(setup_version_error);
      return true;
    }
  }
  return false;
}

}  // namespace krv::product
