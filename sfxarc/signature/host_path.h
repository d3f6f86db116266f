#pragma once
// Host-side file names for the standard library's streams: the signer and the
// key files open files through std::filesystem, whose conversion of wide
// strings depends on the C locale on POSIX. Windows takes the UTF-16 path as
// it is; POSIX gets it as UTF-8.

#include <filesystem>
#include <string>

namespace krv::signature {

std::filesystem::path HostPath(const std::wstring& path);

}  // namespace krv::signature
