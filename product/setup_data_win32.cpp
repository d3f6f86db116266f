#include <windows.h>

#include <ctime>

#include "product/persistent_storage.h"
#include "product/setup_data.h"
#include "runtime/registry_helpers.h"

namespace krv::product {

bool SetupData::Load() {
  SettingsFile file;
  if (!file.Load(file_path)) return false;
  Apply(file);
  return true;
}

void ResetSetupData(SetupData* data) {
  data->Reset(static_cast<int64_t>(std::time(nullptr)));
  os::registry_key key;
  if (os::open_registry_key(nullptr, HKEY_CLASSES_ROOT, GetPersistentStorageName().c_str(),
                            KEY_QUERY_VALUE | os::kClassesRoot32View, &key) != ERROR_SUCCESS)
    return;
  std::wstring guid;
  if (os::read_registry_string(key.get(), L"GUID", &guid) != ERROR_SUCCESS || guid.empty()) return;
  data->persisted_guid = guid;
  std::wstring created;
  data->persisted_guid_time =
      os::read_registry_string(key.get(), L"GuidCreated", &created) == ERROR_SUCCESS ? _wcstoi64(created.c_str(), nullptr, 10)
                                                                                     : 0;
}

}  // namespace krv::product
