#pragma once
// sfxtool: the release engineer's tool. The program's main only turns its
// arguments into UTF-8 words and calls RunSfxTool; every command lives in its
// own file (commands.h).

#include <ostream>
#include <string>
#include <vector>

namespace krv::tools {

// Exit codes of sfxtool, numbered once and never reused.
enum ExitCode : int {
  kExitOk = 0,
  kExitNotVerified = 1,   // verify: no block, or it does not verify
  kExitUsage = 2,         // a bad command line
  kExitBadInput = 3,      // an input file that cannot be read or is not valid
  kExitCannotWrite = 4,   // an output file that cannot be written
  kExitFailed = 5,        // the operation failed (packing, signing, loading)
};

// Where a command writes: results to `out`, warnings and errors to `err`.
struct ToolIo {
  std::ostream& out;
  std::ostream& err;
};

// Runs the command named by args[0] with the words after it (the program's
// name is not part of `args`). With no words, "--help" or "help", prints the
// list of commands. Returns the exit code.
int RunSfxTool(const std::vector<std::string>& args, ToolIo& io);

}  // namespace krv::tools
