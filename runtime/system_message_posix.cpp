#include "runtime/error_code_text.h"

namespace krv {

// Host builds (sfxtool) have no table of Windows message texts.
std::wstring SystemMessageText(ResultCode code) {
  if (code == 0) return L"The operation completed successfully.";
  return {};
}

}  // namespace krv
