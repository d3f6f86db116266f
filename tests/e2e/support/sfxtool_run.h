#pragma once
// The native sfxtool of this build, run as the release engineer runs it.

#include <string>
#include <vector>

namespace krv::e2e {

// The path of the native sfxtool.
std::string Sfxtool();

// `text` in single quotes for the shell (`text` holds none).
std::string Quote(const std::string& text);

// Runs sfxtool with `args` (each quoted), its output into `log` ("" for
// none); returns the shell's exit status.
int RunSfxtool(const std::vector<std::string>& args, const std::string& log = std::string());

}  // namespace krv::e2e
