#include "tests/handoff/registry_values.h"

#include "runtime/registry_helpers.h"

namespace krv::handoff::testing {
namespace {

constexpr wchar_t kSharedDlls[] = L"Software\\Microsoft\\Windows\\CurrentVersion\\SharedDLLs";
constexpr wchar_t kSessionManager[] = L"System\\CurrentControlSet\\Control\\Session Manager";
constexpr wchar_t kPendingRenames[] = L"PendingFileRenameOperations";
#if defined(_WIN64)
constexpr REGSAM kStubView = KEY_WOW64_32KEY;
#else
constexpr REGSAM kStubView = 0;
#endif

// Every string of a REG_MULTI_SZ block, empty ones included (an empty
// target is a string of its own, not the end of the list).
std::vector<std::wstring> SplitAtZeros(const std::vector<wchar_t>& data) {
  std::vector<std::wstring> strings;
  size_t begin = 0;
  for (size_t i = 0; i < data.size(); ++i) {
    if (data[i] != 0) continue;
    strings.emplace_back(data.data() + begin, i - begin);
    begin = i + 1;
  }
  return strings;
}

os::registry_key OpenMachineKey(const wchar_t* subkey, REGSAM access) {
  os::registry_key key;
  os::open_registry_key(nullptr, HKEY_LOCAL_MACHINE, subkey, access, &key);
  return key;
}

std::vector<wchar_t> ReadPendingBlock() {
  const os::registry_key key = OpenMachineKey(kSessionManager, KEY_QUERY_VALUE);
  DWORD size = 0;
  std::vector<wchar_t> data;
  if (key.valid() && RegQueryValueExW(key.get(), kPendingRenames, nullptr, nullptr, nullptr, &size) == ERROR_SUCCESS) {
    data.resize(size / sizeof(wchar_t));
    if (RegQueryValueExW(key.get(), kPendingRenames, nullptr, nullptr, reinterpret_cast<BYTE*>(data.data()), &size) !=
        ERROR_SUCCESS)
      size = 0;
    data.resize(size / sizeof(wchar_t));
  }
  return data;
}

}  // namespace

ScopedSharedFileValue::ScopedSharedFileValue(const std::wstring& path, DWORD type, const void* data, DWORD size)
    : path_(path) {
  HKEY created = nullptr;
  RegCreateKeyExW(HKEY_LOCAL_MACHINE, kSharedDlls, 0, nullptr, 0, KEY_SET_VALUE | kStubView, nullptr, &created,
                  nullptr);
  os::registry_key key;
  key.reset(created);
  if (key.valid()) RegSetValueExW(key.get(), path.c_str(), 0, type, static_cast<const BYTE*>(data), size);
}

ScopedSharedFileValue::~ScopedSharedFileValue() {
  const os::registry_key key = OpenMachineKey(kSharedDlls, KEY_SET_VALUE | kStubView);
  if (key.valid()) RegDeleteValueW(key.get(), path_.c_str());
}

std::vector<std::pair<std::wstring, std::wstring>> PendingFileRenames() {
  std::vector<std::wstring> strings = SplitAtZeros(ReadPendingBlock());
  std::vector<std::pair<std::wstring, std::wstring>> pairs;
  for (size_t i = 0; i + 1 < strings.size(); i += 2) {
    if (strings[i].empty()) break;  // the list's closing zero
    pairs.emplace_back(strings[i], strings[i + 1]);
  }
  return pairs;
}

void ForgetPendingFileRenamesBelow(const std::wstring& folder) {
  std::vector<wchar_t> kept;
  for (const auto& [source, target] : PendingFileRenames()) {
    if (source.find(folder) != std::wstring::npos) continue;
    kept.insert(kept.end(), source.begin(), source.end());
    kept.push_back(0);
    kept.insert(kept.end(), target.begin(), target.end());
    kept.push_back(0);
  }
  const os::registry_key key = OpenMachineKey(kSessionManager, KEY_SET_VALUE);
  if (!key.valid()) return;
  if (kept.empty()) {
    RegDeleteValueW(key.get(), kPendingRenames);
  } else {
    kept.push_back(0);
    RegSetValueExW(key.get(), kPendingRenames, 0, REG_MULTI_SZ, reinterpret_cast<const BYTE*>(kept.data()),
                   static_cast<DWORD>(kept.size() * sizeof(wchar_t)));
  }
}

}  // namespace krv::handoff::testing
