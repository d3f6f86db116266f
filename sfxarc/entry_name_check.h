#pragma once
// Which entry names may be written below the extraction folder.

#include <string>

namespace krv::sfxarc {

// True when `name` (an entry's NAME or XNAM) stays inside the folder it is
// joined to: empty (nothing is written for it), or relative with no way up.
// False for a name that
//   - begins with a backslash or slash (rooted, UNC "\\server\share", device
//     "\\.\" and "\\?\" prefixes),
//   - contains a colon anywhere (drive letters "C:", alternate data streams,
//     device names such as "CON:"),
//   - has a component, between backslashes or slashes, of dots and blanks
//     only with at least two dots (".." itself, and forms such as ". ." or
//     "... " that Windows trims to ".."),
//   - has a component that Windows opens as a device in any folder, so that
//     the entry's bytes would go to the device: CON, PRN, AUX, NUL, CONIN$,
//     CONOUT$, COM and LPT followed by a digit or a superscript 1, 2 or 3,
//     in any case, alone or followed by blanks, dots or an extension
//     ("nul.txt", "CON .", "com1.vpx").
// The archive's signature says who made a package, not that its names are
// harmless, so even a trusted package cannot write outside the workspace.
bool IsSafeEntryName(const std::wstring& name);

}  // namespace krv::sfxarc
