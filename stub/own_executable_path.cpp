#include "stub/own_executable_path.h"

namespace krv::stub {
namespace {
constexpr size_t kOwnPathChars = 260;
// Static storage: zero before any code runs.
wchar_t g_own_path[kOwnPathChars];
}  // namespace

const wchar_t* OwnExecutablePath() { return g_own_path; }

void RecordOwnExecutablePath(const wchar_t* path, size_t length) {
  size_t i = 0;
  for (; i < length && i < kOwnPathChars - 1 && path[i]; ++i) g_own_path[i] = path[i];
  g_own_path[i] = L'\0';
}

}  // namespace krv::stub
