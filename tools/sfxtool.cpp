#include "tools/sfxtool.h"

#include <algorithm>

#include "tools/commands.h"

namespace krv::tools {

namespace {

struct Command {
  const char* name;
  const char* summary;
  int (*run)(const std::vector<std::string>& args, ToolIo& io);
};

constexpr Command kCommands[] = {
    {"keygen", "make a fourteen-key DSA set (public and private key files)", RunKeygenCommand},
    {"build", "make a signed package from a stub, files and a command-line template", RunBuildCommand},
    {"sign", "append a signature block of any form to a file", RunSignCommand},
    {"verify", "check a file's signature block against the built-in keys", RunVerifyCommand},
    {"list", "load a package as the stub does and list its entries", RunListCommand},
    {"extract", "load a package and extract its entries as the stub does", RunExtractCommand},
    {"authenticode-size", "the size of the Authenticode table to reserve (--authenticode-reserve)",
     RunAuthenticodeSizeCommand},
};

void PrintCommands(std::ostream& out) {
  out << "usage: sfxtool COMMAND [ARGS...]\n"
         "       sfxtool COMMAND --help\n\n"
         "commands:\n";
  size_t width = 0;
  for (const Command& command : kCommands) width = std::max(width, std::string(command.name).size());
  for (const Command& command : kCommands) {
    out << "  " << command.name << std::string(width + 2 - std::string(command.name).size(), ' ')
        << command.summary << "\n";
  }
  out << "\nexit codes: 0 success, 1 not verified, 2 bad command line, 3 bad input file,\n"
         "4 cannot write output, 5 operation failed\n";
}

}  // namespace

int UsageError(ToolIo& io, const char* command, const std::string& message) {
  io.err << "sfxtool " << command << ": " << message << "\n"
         << "try 'sfxtool " << command << " --help'\n";
  return kExitUsage;
}

int Failure(ToolIo& io, const char* command, const std::string& message, int code) {
  io.err << "sfxtool " << command << ": " << message << "\n";
  return code;
}

int RunSfxTool(const std::vector<std::string>& args, ToolIo& io) {
  if (args.empty() || args[0] == "--help" || args[0] == "help") {
    PrintCommands(args.empty() ? io.err : io.out);
    return args.empty() ? kExitUsage : kExitOk;
  }
  for (const Command& command : kCommands) {
    if (args[0] == command.name) return command.run(std::vector<std::string>(args.begin() + 1, args.end()), io);
  }
  io.err << "sfxtool: unknown command '" << args[0] << "'\n";
  PrintCommands(io.err);
  return kExitUsage;
}

}  // namespace krv::tools
