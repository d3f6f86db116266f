#pragma once
// Registry fixtures of the Windows tests: keys written in a chosen view and
// removed again, and a lock that keeps tests of several processes (CTest
// runs them in parallel) off the product's keys at the same time.

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace krv::testing {

// A key created (with its parents) below `root` in `view` (KEY_WOW64_32KEY or
// KEY_WOW64_64KEY); the whole key is deleted when the fixture goes.
class ScratchKey {
 public:
  ScratchKey(HKEY root, std::wstring path, REGSAM view);
  ~ScratchKey();
  ScratchKey(const ScratchKey&) = delete;
  ScratchKey& operator=(const ScratchKey&) = delete;

  HKEY get() const { return key_; }
  void SetString(const wchar_t* name, const std::wstring& value, DWORD type = REG_SZ) const;
  void SetDword(const wchar_t* name, uint32_t value) const;
  void SetRaw(const wchar_t* name, DWORD type, const std::vector<uint8_t>& bytes) const;

 private:
  HKEY root_;
  std::wstring path_;
  REGSAM view_;
  HKEY key_ = nullptr;
};

// Deletes `path` below `root` in `view` with everything below it, if present.
void DeleteKeyTree(HKEY root, const std::wstring& path, REGSAM view);

// Held while a test reads or writes the product's keys below
// HKEY_LOCAL_MACHINE or its persistent-storage key below HKEY_CLASSES_ROOT:
// a named mutex of the Wine session.
class ProductRegistryLock {
 public:
  ProductRegistryLock();
  ~ProductRegistryLock();
  ProductRegistryLock(const ProductRegistryLock&) = delete;
  ProductRegistryLock& operator=(const ProductRegistryLock&) = delete;

 private:
  HANDLE mutex_;
};

// Every key the product locator and brand detection read, in both views:
// removed so that a test starts from a registry without the product.
void RemoveProductKeys();

}  // namespace krv::testing
