#pragma once
// The commands of sfxtool, one file each. Each takes the words after its
// name, writes through `io` and returns an exit code (sfxtool.h); "--help"
// prints its usage and returns 0.

#include <string>
#include <vector>

#include "tools/sfxtool.h"

namespace krv::tools {

int RunKeygenCommand(const std::vector<std::string>& args, ToolIo& io);
int RunBuildCommand(const std::vector<std::string>& args, ToolIo& io);
int RunSignCommand(const std::vector<std::string>& args, ToolIo& io);
int RunVerifyCommand(const std::vector<std::string>& args, ToolIo& io);
int RunListCommand(const std::vector<std::string>& args, ToolIo& io);
int RunExtractCommand(const std::vector<std::string>& args, ToolIo& io);
int RunAuthenticodeSizeCommand(const std::vector<std::string>& args, ToolIo& io);

// Reports a command-line error: "sfxtool COMMAND: MESSAGE" and a hint at
// --help. Returns kExitUsage.
int UsageError(ToolIo& io, const char* command, const std::string& message);

// Reports any other failure: "sfxtool COMMAND: MESSAGE". Returns `code`.
int Failure(ToolIo& io, const char* command, const std::string& message, int code);

}  // namespace krv::tools
