#include <windows.h>

#include "runtime/error_code_text.h"

namespace krv {

std::wstring SystemMessageText(ResultCode code) {
  wchar_t* buffer = nullptr;
  constexpr DWORD kEnglishUnitedStates = 1033;
  DWORD n = FormatMessageW(FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
                           nullptr, code, kEnglishUnitedStates, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text = n ? std::wstring(buffer, n) : std::wstring();
  if (buffer) LocalFree(buffer);
  return text;
}

}  // namespace krv
