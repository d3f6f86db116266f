#include "tests/product/temp_tree.h"

#include <gtest/gtest.h>
#include <shellapi.h>

namespace krv::testing {

TempTree::TempTree() {
  wchar_t temp[MAX_PATH];
  GetTempPathW(MAX_PATH, temp);
  static int counter = 0;
  root_ = std::wstring(temp) + L"krv-product-" + std::to_wstring(GetCurrentProcessId()) + L"-" +
          std::to_wstring(++counter);
  EXPECT_TRUE(CreateDirectoryW(root_.c_str(), nullptr)) << "making the test folder";
}

TempTree::~TempTree() {
  // SHFileOperation wants a list ending in two zero characters.
  std::wstring from = root_ + L'\0';
  SHFILEOPSTRUCTW op = {};
  op.wFunc = FO_DELETE;
  op.pFrom = from.c_str();
  op.fFlags = FOF_NO_UI;
  SHFileOperationW(&op);
}

std::wstring TempTree::Folder(const std::wstring& relative) const {
  std::wstring path = root_;
  size_t start = 0;
  for (;;) {
    const size_t end = relative.find(L'\\', start);
    path += L"\\" + relative.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
    CreateDirectoryW(path.c_str(), nullptr);
    if (end == std::wstring::npos) return path;
    start = end + 1;
  }
}

std::wstring TempTree::File(const std::wstring& relative, const std::string& bytes) const {
  const size_t last = relative.rfind(L'\\');
  if (last != std::wstring::npos) Folder(relative.substr(0, last));
  const std::wstring path = root_ + L"\\" + relative;
  HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  EXPECT_NE(file, INVALID_HANDLE_VALUE) << "writing a test file";
  DWORD written = 0;
  WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  return path;
}

}  // namespace krv::testing
