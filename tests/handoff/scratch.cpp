#include "tests/handoff/scratch.h"

#include <cwchar>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>
#include <vector>

namespace krv::handoff::testing {

ScratchFolder::ScratchFolder() {
  wchar_t temp[MAX_PATH + 1];
  const DWORD n = GetTempPathW(static_cast<DWORD>(std::size(temp)), temp);
  static unsigned counter = 0;
  wchar_t name[64];
  std::swprintf(name, std::size(name), L"krv-handoff-%lu-%llu-%u", GetCurrentProcessId(),
                static_cast<unsigned long long>(GetTickCount64()), ++counter);
  path_ = std::wstring(temp, n) + name;
  CreateDirectoryW(path_.c_str(), nullptr);
}

ScratchFolder::~ScratchFolder() { RemoveTree(path_); }

void RemoveTree(const std::wstring& path) {
  const DWORD attributes = GetFileAttributesW(path.c_str());
  if (attributes == INVALID_FILE_ATTRIBUTES) return;
  SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL);
  if (!(attributes & FILE_ATTRIBUTE_DIRECTORY) || (attributes & FILE_ATTRIBUTE_REPARSE_POINT)) {
    if (!DeleteFileW(path.c_str())) RemoveDirectoryW(path.c_str());
    return;
  }
  std::vector<std::wstring> children;
  WIN32_FIND_DATAW data;
  const HANDLE first = FindFirstFileW((path + L"\\*").c_str(), &data);
  if (first != INVALID_HANDLE_VALUE) {
    const std::unique_ptr<void, decltype(&FindClose)> find(first, &FindClose);
    do {
      if (std::wcscmp(data.cFileName, L".") && std::wcscmp(data.cFileName, L".."))
        children.push_back(path + L'\\' + data.cFileName);
    } while (FindNextFileW(find.get(), &data));
  }
  for (const std::wstring& child : children) RemoveTree(child);
  RemoveDirectoryW(path.c_str());
}

bool WriteTextFile(const std::wstring& path, const std::string& content) {
  std::ofstream out(path.c_str(), std::ios::binary | std::ios::trunc);
  out << content;
  return static_cast<bool>(out);
}

std::optional<std::string> ReadTextFile(const std::wstring& path) {
  std::ifstream in(path.c_str(), std::ios::binary);
  if (!in) return std::nullopt;
  std::ostringstream text;
  text << in.rdbuf();
  return text.str();
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

namespace {

std::optional<std::wstring> ReadVariable(const wchar_t* name) {
  std::vector<wchar_t> buffer(32768);
  SetLastError(0);
  const DWORD n = GetEnvironmentVariableW(name, buffer.data(), static_cast<DWORD>(buffer.size()));
  if (n == 0 && GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
  return std::wstring(buffer.data(), n);
}

void WriteVariable(const wchar_t* name, const std::optional<std::wstring>& value) {
  SetEnvironmentVariableW(name, value ? value->c_str() : nullptr);
}

}  // namespace

ScopedEnvironment::ScopedEnvironment(const wchar_t* name, const std::optional<std::wstring>& value)
    : name_(name), previous_(ReadVariable(name)) {
  WriteVariable(name, value);
}

ScopedEnvironment::~ScopedEnvironment() { WriteVariable(name_.c_str(), previous_); }

std::wstring WindowsPathOfHost(const std::string& host_path) {
  std::wstring path = L"Z:";
  for (char c : host_path) path += c == '/' ? L'\\' : static_cast<wchar_t>(static_cast<unsigned char>(c));
  return path;
}

}  // namespace krv::handoff::testing
