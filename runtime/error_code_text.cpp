#include "runtime/error_code_text.h"

#include <cwchar>
#include <cwctype>
#include <iterator>

namespace krv {
namespace {

struct ProductCode {
  ResultCode code;
  const wchar_t* text;
};

constexpr ProductCode kProductCodes[] = {
    {0xA001, L"Invalid signature"},
    {0xA002, L"Broken package"},
    {0xA003, L"Orvane was not installed by this setup instance"},
    {0xA004, L"Setup/updater is already running"},
    {0xA005, L"No update available"},
    // The update package's own: an exception ended its run.
    {0xA0F0, L"Internal error of the update package"},
    {0xA101, L"Log level has invalid value"},
    {0xA102, L"Failed to set stack guarantee for a calling thread"},
    {0xA103, L"Failed to write minidump"},
    {0xA104, L"Operation was cancelled"},
    {0xA105, L"Not connected to internet"},
    {0xA106, L"Host unreachable"},
    {0xA107, L"Server is down"},
    {0xA108, L"Proxy login needed"},
    {0xA109, L"HTTP error"},
    {0xA10A, L"Retrying operation"},
    {0xA10B, L"Downloader system error"},
    {0xA10C, L"The product data is invalid"},
    {0xA10D, L"The product condition type has invalid value"},
    {0xA10E, L"The product action type has invalid value"},
    {0xA10F, L"The product selection tree is invalid"},
};

bool IsProductCode(ResultCode code) { return (code & 0xF000u) == 0xA000u; }

}  // namespace

std::wstring ErrorCodeText(ResultCode code) {
  if (IsProductCode(code)) {
    for (const ProductCode& entry : kProductCodes)
      if (entry.code == code) return entry.text;
    return {};
  }
  std::wstring text = SystemMessageText(code);
  while (!text.empty() && std::iswspace(static_cast<wint_t>(text.back()))) text.pop_back();
  return text;
}

std::wstring FormatErrorCode(ResultCode code) {
  wchar_t head[32];
  std::swprintf(head, std::size(head), L"%d (0x%08X)", static_cast<int32_t>(code), code);
  return std::wstring(head) + L" [" + ErrorCodeText(code) + L"]";
}

}  // namespace krv
