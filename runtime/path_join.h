#pragma once
// Path join of the file functions.

#include <string>

namespace krv {

// `first` + "\" + `second`, with no backslash added when `first` ends with
// one or `second` begins with one; an empty `first` gives `second` alone.
std::wstring JoinPath(const std::wstring& first, const std::wstring& second);

}  // namespace krv
