#include "tests/product/registry_fixture.h"

#include <gtest/gtest.h>

namespace krv::testing {

ScratchKey::ScratchKey(HKEY root, std::wstring path, REGSAM view) : root_(root), path_(std::move(path)), view_(view) {
  DeleteKeyTree(root_, path_, view_);
  const LSTATUS status = RegCreateKeyExW(root_, path_.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view_, nullptr,
                                         &key_, nullptr);
  EXPECT_EQ(status, ERROR_SUCCESS) << "creating the test key";
}

ScratchKey::~ScratchKey() {
  if (key_ != nullptr) RegCloseKey(key_);
  DeleteKeyTree(root_, path_, view_);
}

void ScratchKey::SetString(const wchar_t* name, const std::wstring& value, DWORD type) const {
  SetRaw(name, type,
         std::vector<uint8_t>(reinterpret_cast<const uint8_t*>(value.c_str()),
                              reinterpret_cast<const uint8_t*>(value.c_str() + value.size() + 1)));
}

void ScratchKey::SetDword(const wchar_t* name, uint32_t value) const {
  SetRaw(name, REG_DWORD, std::vector<uint8_t>(reinterpret_cast<const uint8_t*>(&value),
                                               reinterpret_cast<const uint8_t*>(&value + 1)));
}

void ScratchKey::SetRaw(const wchar_t* name, DWORD type, const std::vector<uint8_t>& bytes) const {
  EXPECT_EQ(RegSetValueExW(key_, name, 0, type, bytes.data(), static_cast<DWORD>(bytes.size())), ERROR_SUCCESS)
      << "setting a test value";
}

void DeleteKeyTree(HKEY root, const std::wstring& path, REGSAM view) {
  const size_t last = path.rfind(L'\\');
  const std::wstring parent_path = last == std::wstring::npos ? std::wstring() : path.substr(0, last);
  const std::wstring leaf = last == std::wstring::npos ? path : path.substr(last + 1);
  HKEY parent = nullptr;
  if (RegOpenKeyExW(root, parent_path.c_str(), 0, KEY_ALL_ACCESS | view, &parent) != ERROR_SUCCESS) return;
  RegDeleteTreeW(parent, leaf.c_str());
  RegDeleteKeyExW(parent, leaf.c_str(), view, 0);
  RegCloseKey(parent);
}

ProductRegistryLock::ProductRegistryLock() : mutex_(CreateMutexW(nullptr, FALSE, L"krvProductRegistryTests")) {
  if (mutex_ != nullptr) WaitForSingleObject(mutex_, INFINITE);
  RemoveProductKeys();
}

ProductRegistryLock::~ProductRegistryLock() {
  RemoveProductKeys();
  if (mutex_ != nullptr) {
    ReleaseMutex(mutex_);
    CloseHandle(mutex_);
  }
}

void RemoveProductKeys() {
  static const wchar_t* const kKeys[] = {
      L"SOFTWARE\\ORVANE Software\\Orvane",     L"SOFTWARE\\ORVANE Software\\Sweepo",
      L"SOFTWARE\\ORVANE Software\\Velbrowser", L"SOFTWARE\\KESTIL\\Antivirus",
      L"SOFTWARE\\KESTIL\\Sweepo",              L"SOFTWARE\\Maplor Software\\Orvane",
  };
  for (REGSAM view : {static_cast<REGSAM>(KEY_WOW64_32KEY), static_cast<REGSAM>(KEY_WOW64_64KEY)})
    for (const wchar_t* key : kKeys) DeleteKeyTree(HKEY_LOCAL_MACHINE, key, view);
}

}  // namespace krv::testing
