#pragma once
// The executable's own full path as the loader knew it at process entry.

namespace krv::stub {

// At most 259 characters and a terminating NUL; empty when it could not be
// recorded. Written once before any other thread exists, read afterwards.
const wchar_t* OwnExecutablePath();

// Records the path; the text is cut to 259 characters.
void RecordOwnExecutablePath(const wchar_t* path);

}  // namespace krv::stub
