#include "tests/doubles/workspace_listing.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

#include "log/utf8_text.h"
#include "runtime/scoped_handle.h"
#include "sfxarc/signature/hex.h"
#include "sfxarc/signature/sha256.h"

namespace krv::pkgrun {
namespace {

struct Entry {
  std::wstring relative;
  bool folder;
};

struct FindCloser {
  void operator()(HANDLE find) const { FindClose(find); }
};

// Every file and folder below `root`; false, with the system's error in
// `*error`, when a folder cannot be listed.
bool Collect(const std::wstring& root, const std::wstring& relative, std::vector<Entry>* out, DWORD* error) {
  WIN32_FIND_DATAW data;
  const std::wstring dir = relative.empty() ? root : root + L'\\' + relative;
  const HANDLE first = FindFirstFileW((dir + L"\\*").c_str(), &data);
  if (first == INVALID_HANDLE_VALUE) {
    *error = GetLastError();
    return false;
  }
  const std::unique_ptr<void, FindCloser> find(first);
  do {
    const std::wstring name = data.cFileName;
    if (name == L"." || name == L"..") continue;
    const std::wstring path = relative.empty() ? name : relative + L'\\' + name;
    const bool folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
    out->push_back({path, folder});
    if (folder && !Collect(root, path, out, error)) return false;
  } while (FindNextFileW(find.get(), &data));
  return true;
}

std::string Utc(const FILETIME& time) {
  SYSTEMTIME t;
  if (!FileTimeToSystemTime(&time, &t)) return "?";
  char text[32];
  std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u.%03u", t.wYear, t.wMonth, t.wDay, t.wHour, t.wMinute,
                t.wSecond, t.wMilliseconds);
  return text;
}

// "<size> TAB <sha-256> TAB <last write>" of one file, or "error <code>".
std::string Describe(const std::wstring& path) {
  os::scoped_handle file(CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                     nullptr, OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
  if (!file.valid()) return "error " + std::to_string(GetLastError());
  signature::Sha256 hash;
  std::vector<uint8_t> buffer(1 << 20);
  unsigned long long size = 0;
  DWORD got = 0;
  while (ReadFile(file.get(), buffer.data(), static_cast<DWORD>(buffer.size()), &got, nullptr) && got > 0) {
    hash.Update(buffer.data(), got);
    size += got;
  }
  uint8_t digest[signature::Sha256::kDigestSize];
  hash.Final(digest);
  FILETIME created, accessed, written;
  GetFileTime(file.get(), &created, &accessed, &written);
  return std::to_string(size) + '\t' + signature::EncodeHex(digest, sizeof digest) + '\t' + Utc(written);
}

}  // namespace

std::wstring WorkspaceOf(const std::wstring& command_line) {
  static const std::wstring kOption = L"/vps_upd:";
  const size_t at = command_line.find(kOption);
  if (at == std::wstring::npos) return {};
  const size_t value = at + kOption.size();
  if (value < command_line.size() && command_line[value] == L'"') {
    const size_t close = command_line.find(L'"', value + 1);
    return command_line.substr(value + 1, close == std::wstring::npos ? std::wstring::npos : close - value - 1);
  }
  return command_line.substr(value, command_line.find_first_of(L" \t", value) - value);
}

std::string MakeRecord(const std::wstring& command_line, const std::wstring& current_folder,
                       const std::wstring& workspace) {
  std::string record = "command_line: " + log::utf8_from_wide(command_line.c_str()) + "\n";
  record += "current_folder: " + log::utf8_from_wide(current_folder.c_str()) + "\n";
  record += "workspace: " + log::utf8_from_wide(workspace.c_str()) + "\n";
  std::vector<Entry> entries;
  DWORD error = ERROR_PATH_NOT_FOUND;
  // An empty folder would list the current drive's root.
  if (workspace.empty() || !Collect(workspace, L"", &entries, &error)) {
    record += "workspace_error: " + std::to_string(error) + "\n";
  } else {
    std::sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) { return a.relative < b.relative; });
    for (const Entry& entry : entries) {
      const std::string name = log::utf8_from_wide(entry.relative.c_str());
      record += entry.folder ? "folder: " + name + "\n"
                             : "file: " + name + '\t' + Describe(workspace + L'\\' + entry.relative) + "\n";
    }
  }
  return record + "end\n";
}

}  // namespace krv::pkgrun
