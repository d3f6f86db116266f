#pragma once
// The system calls extraction makes on its output files, one implementation
// per platform. Paths are in the archive's form (backslashes); SystemPath
// turns them into the platform's form first.

#include <cstdint>
#include <string>

namespace krv::sfxarc {

// `path` as the system takes it: unchanged on Windows; on POSIX with every
// backslash turned into a slash, so "folder\name" lands in the folder.
std::wstring SystemPath(const std::wstring& path);

// Sets the file's last-access and last-write times to `seconds` since
// 1970-01-01 00:00 UTC. False when the system refuses.
bool SetFileTimes(const std::wstring& path, int64_t seconds);

// Whether a file or folder exists at `path`.
bool PathExists(const std::wstring& path);

// Whether `path` is a link to elsewhere: a symbolic link on POSIX, a
// reparse point (symbolic link, junction, mount point) on Windows. False
// when nothing is there.
bool IsLink(const std::wstring& path);

// Clears the file's attributes (read-only among them) so that it can be
// deleted. Windows only; on POSIX a file's own permissions do not stop its
// deletion and nothing is done.
void ClearFileAttributes(const std::wstring& path);

// Deletes the file. False when the system refuses.
bool DeleteOutputFile(const std::wstring& path);

}  // namespace krv::sfxarc
