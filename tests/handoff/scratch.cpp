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

namespace {

// Wine's name for a Windows path on the host (its final part need not
// exist); empty when not under Wine.
std::wstring HostPathOf(const std::wstring& windows_path) {
  using UnixFileName = char*(CDECL*)(const wchar_t*);
  const auto unix_file_name = reinterpret_cast<UnixFileName>(
      reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"kernel32"), "wine_get_unix_file_name")));
  char* name = unix_file_name ? unix_file_name(windows_path.c_str()) : nullptr;
  if (!name) return {};
  std::wstring result;
  for (const char* c = name; *c; ++c) result += static_cast<wchar_t>(static_cast<unsigned char>(*c));
  HeapFree(GetProcessHeap(), 0, name);
  return result;
}

// Runs `script` in the host's shell (Wine starts an ELF program named by its
// Z: path) and waits until it has touched `done` (a Windows path), at most
// ten seconds: Wine neither waits for such a program nor passes its exit code
// on. The marker file is removed again. True when the script got that far.
bool RunHostScript(const std::wstring& script, const std::wstring& done) {
  const std::wstring host_done = HostPathOf(done);
  if (host_done.empty()) return false;
  const std::wstring shell = WindowsPathOfHost("/bin/sh");
  std::wstring command_line = L"sh -c \"" + script + L" && touch '" + host_done + L"'\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(shell.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                      &process))
    return false;
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  for (int i = 0; i < 1000 && !Exists(done); ++i) Sleep(10);
  return DeleteFileW(done.c_str()) != 0;
}

}  // namespace

bool RunsUnderWine() { return GetProcAddress(GetModuleHandleW(L"ntdll"), "wine_get_version") != nullptr; }

bool MakeHostSymlink(const std::wstring& target, const std::wstring& link) {
  const std::wstring host_target = HostPathOf(target), host_link = HostPathOf(link);
  if (host_target.empty() || host_link.empty()) return false;
  return RunHostScript(L"ln -s '" + host_target + L"' '" + host_link + L"'", link + L".made");
}

bool RemoveHostSymlink(const std::wstring& link) {
  const std::wstring host_link = HostPathOf(link);
  return !host_link.empty() && RunHostScript(L"rm -f '" + host_link + L"'", link + L".gone");
}

}  // namespace krv::handoff::testing
