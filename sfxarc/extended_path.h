#pragma once
// The extended-length ("\\?\") form of Windows paths, which lifts the
// 260-character limit. Platform-neutral string code so that it is tested in
// every build; CGenericFile's Windows half uses it.

#include <string>

namespace krv::root {

// An absolute drive path (letter, colon, slash or backslash) becomes
// "\\?\" + the path; a network path (two slashes or backslashes not followed
// by '?' or '.') becomes "\\?\UNC\" + the path after those two. The system does
// not normalise extended-length paths, so this does it: forward slashes become
// backslashes, repeated separators collapse, "." segments go and ".." removes
// the segment before it (never the drive, nor a network path's server and
// share). Every other path (relative, "\\?\...", "\\.\...") is returned as is.
std::wstring ToExtendedLengthPath(const std::wstring& path);

}  // namespace krv::root
