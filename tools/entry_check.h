#pragma once
// What sfxtool build refuses among its inputs: every entry the stub would
// fail to extract, so that no package fails on the users' machines.

#include <cstdint>
#include <string>
#include <vector>

namespace krv::tools {

// Why the stub cannot write an entry under `name` (an entry's name or extra
// name), or "" when it can. Refused: names that are not printable ASCII
// (the map keeps 8-bit names the stub converts under the user's code page),
// names the stub's own entry-name check refuses (sfxarc/entry_name_check.h:
// rooted, a colon, a part that leads up, device names), names with a folder
// part (the stub creates no folders inside its workspace, so the file cannot
// be created), characters Windows does not allow in file names (< > " | ? *),
// names ending in a dot or a blank (Windows drops them, so the file gets
// another name and may meet another entry's), and names longer than 255
// characters (a file-name part on NTFS).
std::string EntryNameProblem(const std::string& name);

// Why an entry of `content_size` bytes named `name`, with `extra_name` (may
// be empty), fails extraction, or "" when it does not: the stub unpacks
// every entry that is not kept packed (sfxarc/keep_packed.h), and every entry
// with an extra name, and fails one that unpacks to nothing.
std::string EntryContentProblem(const std::string& name, const std::string& extra_name, size_t content_size);

// Finds names that would land on one file in the workspace: Windows compares
// file names without regard to case, and two entries extracted at once into
// one file fail or overwrite each other. Returns the second of the first pair
// (in `names` order) that collides, or "" when all differ.
std::string CollidingName(const std::vector<std::string>& names);

}  // namespace krv::tools
