#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

#include <algorithm>

#include "log/utf8_text.h"
#include "sfxarc/output_file.h"

namespace krv::sfxarc {
namespace {

std::string Utf8(const std::wstring& path) { return krv::log::utf8_from_wide(path.c_str()); }

}  // namespace

std::wstring SystemPath(const std::wstring& path) {
  std::wstring converted = path;
  std::replace(converted.begin(), converted.end(), L'\\', L'/');
  return converted;
}

bool SetFileTimes(const std::wstring& path, int64_t seconds) {
  struct utimbuf times;
  times.actime = static_cast<time_t>(seconds);
  times.modtime = static_cast<time_t>(seconds);
  return ::utime(Utf8(path).c_str(), &times) == 0;
}

bool PathExists(const std::wstring& path) {
  struct stat info;
  return ::lstat(Utf8(path).c_str(), &info) == 0;
}

bool IsLink(const std::wstring& path) {
  struct stat info;
  return ::lstat(Utf8(path).c_str(), &info) == 0 && S_ISLNK(info.st_mode);
}

void ClearFileAttributes(const std::wstring&) {}

bool DeleteOutputFile(const std::wstring& path) { return ::unlink(Utf8(path).c_str()) == 0; }

}  // namespace krv::sfxarc
