#pragma once
// Runs another program (sfxtool authenticode-size runs osslsigncode) and
// waits for it.

#include <string>
#include <vector>

namespace krv::tools {

// Runs the program `argv[0]`, looked up on PATH, with the arguments
// `argv[1...]` (UTF-8; passed as they are, no shell in between), its
// standard output and error going to the null device, and waits for it.
// Returns its exit code, or -1 when it cannot be started or did not exit
// normally.
int RunProgram(const std::vector<std::string>& argv);

}  // namespace krv::tools
