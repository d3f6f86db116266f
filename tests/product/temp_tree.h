#pragma once
// A fresh folder below the temporary folder for one Windows test, removed
// with everything in it when the fixture goes.

#include <windows.h>

#include <string>

namespace krv::testing {

class TempTree {
 public:
  TempTree();
  ~TempTree();
  TempTree(const TempTree&) = delete;
  TempTree& operator=(const TempTree&) = delete;

  // The folder, without a trailing backslash.
  const std::wstring& root() const { return root_; }
  // Makes root\<relative> (and its parents); returns its path.
  std::wstring Folder(const std::wstring& relative) const;
  // Writes bytes into root\<relative> (parents made); returns its path.
  std::wstring File(const std::wstring& relative, const std::string& bytes) const;

 private:
  std::wstring root_;
};

}  // namespace krv::testing
