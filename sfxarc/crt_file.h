#pragma once
// The C runtime's descriptor calls behind CUFile, one implementation per
// platform: wide paths through _wsopen on Windows, UTF-8 paths through open
// on POSIX. Every call leaves the runtime's errno set on failure.

#include <cstdint>
#include <string>

namespace krv::sfxarc::crt {

// Opens an existing file read-only, untranslated. Windows: others may open it
// for reading only (no writing, deleting or renaming while it is open);
// POSIX has no such lock, but the descriptor keeps reading the file it
// opened when another is renamed over the path. Returns the descriptor, or
// -1 with errno set.
int OpenForReading(const std::wstring& path);

// Creates a file for reading and writing, untranslated, other opens
// allowed, readable and writable, in place of any file at the path. On
// Windows an existing file is truncated. On POSIX whatever stands at the
// path is unlinked first (the entry only: a symbolic or hard link planted
// there is removed, what it points at is not touched) and the file is then
// created exclusively without following a link, so nothing is written
// through a link even if one appears in between (the open then fails with
// EEXIST). A folder at the path fails. Returns the descriptor, or -1 with
// errno set.
int OpenForWriting(const std::wstring& path);

// One read of at most `n` bytes: the count read, 0 at the end, -1 with errno.
int32_t ReadSome(int fd, void* buffer, uint32_t n);

// One write of at most `n` bytes: the count written, -1 with errno.
int32_t WriteSome(int fd, const void* buffer, uint32_t n);

// Moves the descriptor's position (origin 0, 1, 2 as lseek); returns the new
// position, -1 with errno set.
int64_t SeekTo(int fd, int64_t offset, int origin);

// Closes the descriptor.
void CloseDescriptor(int fd);

}  // namespace krv::sfxarc::crt
