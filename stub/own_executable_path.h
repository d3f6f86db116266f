#pragma once
// The executable's own full path as the loader knew it at process entry.

#include <cstddef>

namespace krv::stub {

// At most 259 characters and a terminating NUL; empty when it could not be
// recorded. Written once before any other thread exists, read afterwards.
const wchar_t* OwnExecutablePath();

// Records the first `length` characters of `path` (stopping early at a NUL),
// cut to 259. Uses no C runtime: the process entry calls it before the
// runtime has started.
void RecordOwnExecutablePath(const wchar_t* path, size_t length);

}  // namespace krv::stub
