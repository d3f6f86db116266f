// sfxtool verify FILE [--mode 1|2|3|4] [--json]

#include <filesystem>

#include "sfxarc/signature.h"
#include "sfxarc/signature/host_path.h"
#include "sfxarc/signature/hex.h"
#include "tools/commands.h"
#include "tools/json_text.h"
#include "tools/tool_args.h"
#include "tools/tool_files.h"
#include "tools/tool_signing.h"

namespace krv::tools {

namespace {

using krv::signature::VerifyMode;

constexpr char kCommand[] = "verify";

constexpr char kUsage[] =
    "usage: sfxtool verify FILE [--mode 1|2|3|4] [--json]\n\n"
    "Finds FILE's signature block and checks it against the keys built into this\n"
    "program (the key file chosen when it was built), as the stub checks its own\n"
    "file. Prints the form, the block's position P (the length of the content it\n"
    "covers), the key that verified and the content's digest. Exit 0 when it\n"
    "verifies, 1 when no block is found or it does not verify.\n\n"
    "The text checksum (form 2) is an MD5 digest that anyone can compute: a file\n"
    "that matches it was not changed by accident, but it authenticates nothing,\n"
    "and no stub loads a package that carries it. verify says so beside it.\n\n"
    "options:\n"
    "  --mode 1   any form: raw, then text, then the checksum (default)\n"
    "  --mode 2   first generation (forms 0, 1; forms 4, 5 are checked as in 4)\n"
    "  --mode 3   the text checksum only (form 2; no key, proves nothing)\n"
    "  --mode 4   second generation (forms 4, 5)\n"
    "  --json     one JSON object instead of text\n";

}  // namespace

int RunVerifyCommand(const std::vector<std::string>& args, ToolIo& io) {
  ToolArgs parsed;
  std::string error;
  if (!parsed.Parse(args, {{"mode", true}, {"json", false}}, &error)) return UsageError(io, kCommand, error);
  if (parsed.help()) {
    io.out << kUsage;
    return kExitOk;
  }
  if (parsed.positionals().size() != 1) return UsageError(io, kCommand, "expected one file");
  uint32_t mode_number = 1;
  if (!ParseU32(parsed.Value("mode", "1"), &mode_number) || mode_number < 1 || mode_number > 4) {
    return UsageError(io, kCommand, "--mode must be 1, 2, 3 or 4");
  }
  const std::string& path = parsed.positionals()[0];
  const VerifyMode mode = static_cast<VerifyMode>(mode_number);
  std::error_code ignored;
  if (!std::filesystem::is_regular_file(krv::signature::HostPath(WidePath(path)), ignored)) {
    return Failure(io, kCommand, "cannot read " + path + ": no such file", kExitBadInput);
  }

  krv::signature::SignatureLocation location;
  const bool found = krv::signature::LocateSignature(WidePath(path), mode, &location);
  krv::signature::VerifyResult result;
  const bool verified = found && krv::signature::VerifySignature(WidePath(path), mode, &result);
  if (verified) location = result.location;
  const std::string digest = verified ? krv::signature::EncodeHex(result.digest, result.digest_size) : std::string();
  const char* digest_kind = result.digest_size == 32 ? "sha256" : "md5";
  const bool keyed = location.form != krv::signature::SignatureForm::kChecksum;

  if (parsed.Has("json")) {
    io.out << "{\"file\": " << JsonString(path) << ", \"verified\": " << (verified ? "true" : "false");
    if (found) {
      io.out << ", \"form\": " << static_cast<int>(location.form) << ", \"form_name\": "
             << JsonString(FormName(location.form)) << ", \"keyed\": " << (keyed ? "true" : "false")
             << ", \"position\": " << location.position;
    }
    if (verified) {
      io.out << ", \"key\": " << result.key_number << ", \"digest_kind\": \"" << digest_kind
             << "\", \"digest\": \"" << digest << "\"";
    }
    io.out << "}\n";
  } else if (found) {
    io.out << "file:     " << path << "\n"
           << "form:     " << static_cast<int>(location.form) << " (" << FormName(location.form) << ")\n"
           << "position: " << location.position << "\n";
    if (verified) {
      io.out << "key:      " << (result.key_number == 0 ? std::string("none (checksum)") : std::to_string(result.key_number))
             << "\n"
             << "digest:   " << digest_kind << " " << digest << "\n"
             << "verified: yes\n";
    } else {
      io.out << "verified: no\n";
    }
    if (!keyed) {
      io.out << "note:     the text checksum authenticates nothing (anyone can compute it); no stub loads a\n"
             << "          package that carries it\n";
    }
  } else {
    io.out << "file:     " << path << "\n"
           << "verified: no (no signature block that mode " << mode_number << " looks for)\n";
  }
  return verified ? kExitOk : kExitNotVerified;
}

}  // namespace krv::tools
