// sfxtool keygen DIR [--name NAME]

#include <filesystem>

#include "sfxarc/signature/host_path.h"
#include "sfxarc/signature/key_file.h"
#include "sfxarc/signature/key_generation.h"
#include "tools/commands.h"
#include "tools/tool_args.h"
#include "tools/tool_files.h"

namespace krv::tools {

namespace {

constexpr char kCommand[] = "keygen";

constexpr char kUsage[] =
    "usage: sfxtool keygen DIR [--name NAME]\n\n"
    "Makes a fresh set of fourteen DSA keys (keys 1-4: 1024/160 bits, each with\n"
    "its own parameters; keys 5-14: 2048/256 bits, where 5, 11, 12, 13 and 14\n"
    "share one p, q, g) and writes DIR/NAME-public.keys (p, q, g, y: what a stub\n"
    "embeds) and DIR/NAME-private.keys (also x: what signs). NAME defaults to\n"
    "\"release\". DIR must exist; existing files are replaced. Takes tens of\n"
    "seconds. Keep the private file secret.\n";

constexpr char kHeader[] =
    "KRV DSA key set: fourteen keys (1-4: 1024/160 bits, 5-14: 2048/256 bits;\n"
    "5, 11, 12, 13 and 14 share one p, q, g), made by sfxtool keygen.";

}  // namespace

int RunKeygenCommand(const std::vector<std::string>& args, ToolIo& io) {
  ToolArgs parsed;
  std::string error;
  if (!parsed.Parse(args, {{"name", true}}, &error)) return UsageError(io, kCommand, error);
  if (parsed.help()) {
    io.out << kUsage;
    return kExitOk;
  }
  if (parsed.positionals().size() != 1) return UsageError(io, kCommand, "expected one folder");
  const std::string name = parsed.Value("name", "release");
  if (name.empty() || name.find_first_of("/\\:") != std::string::npos) {
    return UsageError(io, kCommand, "--name must be a plain file name part");
  }
  const std::filesystem::path folder = krv::signature::HostPath(WidePath(parsed.positionals()[0]));
  std::error_code ignored;
  if (!std::filesystem::is_directory(folder, ignored)) {
    return Failure(io, kCommand, "no such folder: " + parsed.positionals()[0], kExitBadInput);
  }
  krv::signature::DsaKeySet keys;
  if (!krv::signature::GenerateKeySet(&keys)) return Failure(io, kCommand, "key generation failed", kExitFailed);
  const struct {
    const char* suffix;
    bool include_private;
    const char* note;
  } outputs[] = {{"-public.keys", false, "\nPublic half: p, q, g, y."},
                 {"-private.keys", true, "\nPrivate half: also x. Keep it secret."}};
  for (const auto& output : outputs) {
    const std::string path = parsed.positionals()[0] + "/" + name + output.suffix;
    const krv::signature::KeyFileStatus status = krv::signature::WriteKeyFile(
        WidePath(path), keys, output.include_private, std::string(kHeader) + output.note);
    if (status != krv::signature::KeyFileStatus::kOk) {
      return Failure(io, kCommand, path + ": " + krv::signature::KeyFileStatusText(status), kExitCannotWrite);
    }
    io.out << "wrote " << path << "\n";
  }
  return kExitOk;
}

}  // namespace krv::tools
