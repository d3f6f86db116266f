#include "progress/sfx_progress.h"

#include <windows.h>

#include <exception>
#include <string>

#include "log/write_log.h"
#include "product/persistent_storage.h"
#include "runtime/registry_helpers.h"
#include "runtime/error_code_text.h"

namespace krv::progress {
namespace {

const log::LogCategory kRegis = log::make_category(L"regis");

// The brand code raises when no brand can be told; the key is then the one
// for every brand but Kestil.
std::wstring StorageKeyName() {
  try {
    return product::GetPersistentStorageName();
  } catch (const std::exception&) {
    return L"OrvanePersistentStorage";
  }
}

LSTATUS WriteProgressValue(DWORD percent) {
  const std::wstring key_name = StorageKeyName();
  HKEY created = nullptr;
  // No view flag: the key is shared by both registry views, so the shipped
  // 32-bit stub and its x86_64 twin write the same key.
  LSTATUS status = RegCreateKeyExW(HKEY_CLASSES_ROOT, key_name.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE,
                                   KEY_SET_VALUE, nullptr, &created, nullptr);
  if (status != ERROR_SUCCESS) return status;
  os::registry_key key;
  key.reset(created);
  return RegSetValueExW(key.get(), kProgressValueName, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&percent),
                        sizeof percent);
}

}  // namespace

void SfxProgress::OnProgress(ProgressCallback*, uint32_t, uint32_t overall_percent) {
  const DWORD saved = GetLastError();
  const LSTATUS status = WriteProgressValue(overall_percent);
  if (status != ERROR_SUCCESS)
    log::write_log(log::kError, kRegis, L"SetValueImpl: cannot set value '%ls' = '%d', code %ls", kProgressValueName,
                   static_cast<int>(overall_percent), krv::FormatErrorCode(static_cast<uint32_t>(status)).c_str());
  SetLastError(saved);
}

}  // namespace krv::progress
