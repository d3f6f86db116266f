// sfxtool sign FILE [--form F] [--key FILE]

#include "sfxarc/signature/sign.h"
#include "tools/commands.h"
#include "tools/tool_args.h"
#include "tools/tool_files.h"
#include "tools/tool_signing.h"

namespace krv::tools {

namespace {

using krv::signature::SignatureForm;
using krv::signature::SignStatus;

constexpr char kCommand[] = "sign";

constexpr char kUsage[] =
    "usage: sfxtool sign FILE [--form 0|1|2|4|5] [--key FILE] [--authenticode-reserve SIZE]\n\n"
    "Appends a signature block covering all of FILE. A file that already ends in\n"
    "a block gets a second one over it. Forms:\n"
    "  5  second-generation raw: DSA over SHA-256, 72 bytes (default)\n"
    "  1  first-generation raw: DSA over MD5, 48 bytes\n"
    "  4  second-generation text: the same in hexadecimal digits, 144 bytes\n"
    "  0  first-generation text: 96 bytes, over the printable ASCII bytes only\n"
    "  2  text checksum: MD5 of the printable ASCII bytes, 48 bytes, no key\n"
    "The text forms suit text files and may stand in a trailing comment: a\n"
    "verifier skips white space and \" -->\" behind them. A PE file that already\n"
    "carries an Authenticode certificate is refused: sign first.\n\n"
    "options:\n"
    "  --key FILE   private key set; default: the development keys, with a\n"
    "               warning (tests only)\n"
    "  --authenticode-reserve SIZE\n"
    "               FILE (a PE file) gets an Authenticode certificate table of\n"
    "               SIZE bytes afterwards (see 'sfxtool authenticode-size'):\n"
    "               sign it as it will read then; it verifies only once a\n"
    "               table of exactly SIZE bytes is there\n";

}  // namespace

int RunSignCommand(const std::vector<std::string>& args, ToolIo& io) {
  ToolArgs parsed;
  std::string error;
  if (!parsed.Parse(args, {{"form", true}, {"key", true}, {"authenticode-reserve", true}}, &error)) {
    return UsageError(io, kCommand, error);
  }
  if (parsed.help()) {
    io.out << kUsage;
    return kExitOk;
  }
  if (parsed.positionals().size() != 1) return UsageError(io, kCommand, "expected one file");
  SignatureForm form = SignatureForm::kRawV2;
  if (!ParseForm(parsed.Value("form", "5"), {0, 1, 2, 4, 5}, &form)) {
    return UsageError(io, kCommand, "--form must be 0, 1, 2, 4 or 5");
  }
  uint32_t table_size = 0;
  if (!ParseAuthenticodeReserve(parsed, &table_size, &error)) return UsageError(io, kCommand, error);
  krv::signature::DsaKeySet keys;
  if (form != SignatureForm::kChecksum) {
    const int loaded = LoadSigningKeys(parsed, kCommand, io, &keys);
    if (loaded != kExitOk) return loaded;
  } else if (parsed.Has("key")) {
    return UsageError(io, kCommand, "the text checksum form takes no key");
  }
  const std::string& path = parsed.positionals()[0];
  const SignStatus status = krv::signature::SignFileForAuthenticode(WidePath(path), form, keys, 0, table_size);
  if (status != SignStatus::kOk) {
    const bool input = status == SignStatus::kCannotRead || status == SignStatus::kEmptyContent ||
                       status == SignStatus::kContentTooLarge || status == SignStatus::kCertificateTable ||
                       status == SignStatus::kNotPe || status == SignStatus::kReservedWordsInUse;
    std::string message = path + ": " + krv::signature::SignStatusText(status);
    if (status == SignStatus::kCertificateTable) message += std::string("; ") + kSigningOrder;
    return Failure(io, kCommand, message,
                   status == SignStatus::kCannotWrite ? kExitCannotWrite : input ? kExitBadInput : kExitFailed);
  }
  io.out << "signed " << path << " with a " << FormName(form) << " block";
  if (form != SignatureForm::kChecksum) io.out << " (key " << krv::signature::DefaultSigningKey(form) << ")";
  if (table_size != 0) {
    io.out << ", for an Authenticode table of " << table_size
           << " bytes (it verifies once osslsigncode has added that table)";
  }
  io.out << "\n";
  return kExitOk;
}

}  // namespace krv::tools
