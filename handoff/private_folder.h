#pragma once
// A folder that only the current user and SYSTEM may use.

#include <string>

namespace krv::handoff {

// Creates the folder `path` (one level, like CreateDirectoryW) with an
// explicit access list protected from inheritance: full access for the user
// of the process token and for SYSTEM (S-1-5-18), nobody else, and both
// entries inherited by every file and folder made inside. So the entries of a
// base folder that others may write to (a shared TEMP) do not reach it, and
// nobody else can put, swap or link anything inside. True when the folder was
// created; on false the system's last error tells why (ERROR_ALREADY_EXISTS
// for a name that is taken, or the error of reading the process token).
bool CreatePrivateFolder(const std::wstring& path);

}  // namespace krv::handoff
