// sfxtool authenticode-size [--cert CERT [--key KEY]] FILE [OSSLSIGNCODE-OPTION...]

#include <chrono>

#include "sfxarc/signature/byte_source.h"
#include "sfxarc/signature/pe_end.h"
#include "tools/commands.h"
#include "tools/run_program.h"
#include "tools/tool_args.h"
#include "tools/tool_files.h"
#include "tools/tool_signing.h"

namespace krv::tools {

namespace {

constexpr char kCommand[] = "authenticode-size";

constexpr char kUsage[] =
    "usage: sfxtool authenticode-size FILE\n"
    "       sfxtool authenticode-size --cert CERT [--key KEY] FILE [-- OPTION...]\n\n"
    "Prints the size in bytes of the Authenticode certificate table that\n"
    "'osslsigncode sign' adds, for --authenticode-reserve of 'sfxtool build' and\n"
    "'sfxtool sign'. The size is the same for every file signed with one\n"
    "certificate and the same options, so a dry run tells it.\n\n"
    "With FILE alone, FILE is already Authenticode-signed (by any tool) and its\n"
    "table's size is printed. With --cert, osslsigncode signs FILE (a PE file,\n"
    "e.g. the stub; FILE is not changed) into a scratch copy with CERT, KEY and\n"
    "every OPTION after FILE (for example -h sha256 -n NAME -i URL; the same as\n"
    "for the real signing), and the size of the table it wrote is printed.\n"
    "A time stamp (-t/-ts) makes the size vary from one signing to the next:\n"
    "see README.\n\n"
    "options:\n"
    "  --cert CERT   certificate file for osslsigncode's -certs\n"
    "  --key KEY     private key file for osslsigncode's -key\n";

// The table size of the PE file at path; false with *error when it has none.
bool TableSize(const std::string& path, uint32_t* size, std::string* error) {
  krv::signature::FileByteSource source(WidePath(path));
  uint32_t offset = 0;
  if (!source.Open()) {
    *error = "cannot read " + path;
    return false;
  }
  if (!krv::signature::CertificateTable(source, &offset, size)) {
    *error = path + " is not a PE file";
    return false;
  }
  if (offset == 0 || *size == 0) {
    *error = path + " carries no Authenticode certificate table";
    return false;
  }
  return true;
}

}  // namespace

int RunAuthenticodeSizeCommand(const std::vector<std::string>& args, ToolIo& io) {
  ToolArgs parsed;
  std::string error;
  if (!parsed.Parse(args, {{"cert", true}, {"key", true}}, &error)) return UsageError(io, kCommand, error);
  if (parsed.help()) {
    io.out << kUsage;
    return kExitOk;
  }
  const std::vector<std::string>& words = parsed.positionals();
  if (words.empty()) return UsageError(io, kCommand, "expected a file");
  uint32_t size = 0;
  if (!parsed.Has("cert")) {
    if (parsed.Has("key")) return UsageError(io, kCommand, "--key goes with --cert");
    if (words.size() != 1) return UsageError(io, kCommand, "osslsigncode options go with --cert");
    if (!TableSize(words[0], &size, &error)) return Failure(io, kCommand, error, kExitBadInput);
    io.out << size << "\n";
    return kExitOk;
  }

  const std::string scratch = words[0] + ".authenticode-size~" +
                              std::to_string(std::chrono::steady_clock::now().time_since_epoch().count());
  std::vector<std::string> command = {"osslsigncode", "sign", "-certs", parsed.Value("cert")};
  if (parsed.Has("key")) command.insert(command.end(), {"-key", parsed.Value("key")});
  command.insert(command.end(), words.begin() + 1, words.end());
  command.insert(command.end(), {"-in", words[0], "-out", scratch});
  const int code = RunProgram(command);
  if (code != 0) {
    RemoveOutputFile(scratch);
    std::string shown;
    for (const std::string& word : command) shown += (shown.empty() ? "" : " ") + word;
    return Failure(io, kCommand,
                   code < 0 ? "cannot run osslsigncode (is it installed?)"
                            : "osslsigncode failed (exit " + std::to_string(code) + "): " + shown,
                   kExitFailed);
  }
  const bool measured = TableSize(scratch, &size, &error);
  RemoveOutputFile(scratch);
  if (!measured) return Failure(io, kCommand, error, kExitFailed);
  io.out << size << "\n";
  return kExitOk;
}

}  // namespace krv::tools
