#pragma once
// Whether a file or folder exists, by opening it the way the removal and
// launch code will use it.

#include <string>

namespace krv::handoff {

// True when `path` itself can be opened for existence only: synchronize
// access, all sharing modes, open-existing, backup semantics (so folders open
// too), a link opened as the link (so a link whose target is gone still
// exists, and can be removed); the handle is closed at once. A file that
// merely lacks read rights still counts.
// On false the system's last error is that of the failed open (2 or 3 for a
// missing path); on true the last error is unchanged.
bool PathExists(const std::wstring& path);

}  // namespace krv::handoff
