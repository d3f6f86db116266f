#include "stub/own_executable_path.h"

#include <cwchar>

namespace krv::stub {
namespace {
constexpr size_t kOwnPathChars = 260;
wchar_t g_own_path[kOwnPathChars];
}  // namespace

const wchar_t* OwnExecutablePath() { return g_own_path; }

void RecordOwnExecutablePath(const wchar_t* path) {
  std::wcsncpy(g_own_path, path, kOwnPathChars - 1);
  g_own_path[kOwnPathChars - 1] = L'\0';
}

}  // namespace krv::stub
