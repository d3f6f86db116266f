#pragma once
// Registry state the removal tests set up and read back under Wine.

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

namespace krv::handoff::testing {

// A value named by `path` in the shared-file list (HKEY_LOCAL_MACHINE
// "Software\Microsoft\Windows\CurrentVersion\SharedDLLs", in the registry
// view the shipped 32-bit stub reads), removed again when the object goes.
class ScopedSharedFileValue {
 public:
  ScopedSharedFileValue(const std::wstring& path, DWORD type, const void* data, DWORD size);
  ~ScopedSharedFileValue();
  ScopedSharedFileValue(const ScopedSharedFileValue&) = delete;
  ScopedSharedFileValue& operator=(const ScopedSharedFileValue&) = delete;

 private:
  std::wstring path_;
};

// The pairs (source, target) of "PendingFileRenameOperations" below
// HKEY_LOCAL_MACHINE "System\CurrentControlSet\Control\Session Manager", in
// order; an empty target means "delete". Empty when the value is absent.
std::vector<std::pair<std::wstring, std::wstring>> PendingFileRenames();

// Takes the pairs whose source lies below `folder` out of that value, so the
// next Wine start does not act on a test's files.
void ForgetPendingFileRenamesBelow(const std::wstring& folder);

}  // namespace krv::handoff::testing
