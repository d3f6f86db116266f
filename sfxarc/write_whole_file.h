#pragma once
// Writing one extracted file.

#include <cstdint>
#include <string>

namespace krv::sfxarc {

// The code of an output file that cannot be created or written whole
// (ERROR_CANNOT_MAKE).
constexpr uint32_t kCannotWriteOutput = 82;

// Creates the file at `path` in place of any file there (read and write,
// untranslated, other opens allowed, readable and writable; on POSIX never
// through a link standing at the path, crt_file.h) and writes the `n` bytes at
// `bytes` in pieces of at most 4 MiB. Returns 0; 82 when the file cannot be
// created, or when a write fails or writes nothing: the partial file is then
// removed.
uint32_t WriteWholeFile(const std::wstring& path, const uint8_t* bytes, uint32_t n);

}  // namespace krv::sfxarc
