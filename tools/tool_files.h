#pragma once
// Whole-file input and output of sfxtool, through the archive's own file
// class (files below 2 GiB), with messages that name the file.

#include <cstdint>
#include <string>
#include <vector>

namespace krv::tools {

// Reads the file at the UTF-8 `path`. False with `*error` ("cannot read
// PATH: system error N") when it cannot be opened or read whole.
bool ReadInputFile(const std::string& path, std::vector<uint8_t>* bytes, std::string* error);

// Creates or truncates the file at the UTF-8 `path` and writes `bytes`.
// False with `*error` when that fails; a partly written file is removed.
bool WriteOutputFile(const std::string& path, const std::vector<uint8_t>& bytes, std::string* error);

// Removes the file at the UTF-8 `path`, if there is one.
void RemoveOutputFile(const std::string& path);

// The file's last-write time in seconds since 1970 (UTC). False when the
// file cannot be queried.
bool FileModificationTime(const std::string& path, int64_t* seconds);

// The wide form of a UTF-8 argument, for the archive and signature APIs.
std::wstring WidePath(const std::string& path);

}  // namespace krv::tools
