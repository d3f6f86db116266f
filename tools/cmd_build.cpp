// sfxtool build --stub STUB --out PKG [options] FILE...

#include <algorithm>
#include <cstdio>
#include <thread>

#include "sfxarc/package_writer.h"
#include "sfxarc/signature/sign.h"
#include "tools/commands.h"
#include "tools/entry_check.h"
#include "tools/package_check.h"
#include "tools/progress_bar.h"
#include "tools/tool_args.h"
#include "tools/tool_files.h"
#include "tools/tool_signing.h"

namespace krv::tools {

namespace {

using krv::signature::SignatureForm;

constexpr char kCommand[] = "build";

constexpr char kDefaultTemplate[] = "/vps_upd:\"%TMPPATH%\"";

constexpr char kUsage[] =
    "usage: sfxtool build --stub STUB --out PKG [options] FILE...\n\n"
    "Writes PKG: the stub, every FILE as a packed entry, the map (MODE \"extract\",\n"
    "SFXN, CMDL, CMDP with --param, a LIST of the entries), the extra-data block\n"
    "with --edat, the trailer and the file signature. The same inputs give the\n"
    "same bytes.\n\n"
    "FILE is PATH (stored under its file name), NAME=PATH, or NAME=PATH:XNAME\n"
    "(the content is also extracted, unpacked, as XNAME). Names are stored as\n"
    "given. Refused, because the stub would fail to extract them: names that are\n"
    "not printable ASCII, rooted, with ':', a folder part, a '..' part, a device\n"
    "name (NUL, CON, COM1, ...), a character of < > \" | ? *, a dot or blank at\n"
    "the end, or more than 255 characters; two names equal but for case; an\n"
    "empty FILE unless the stub keeps it packed (part-..., config.def, ...) and\n"
    "it has no XNAME.\n"
    "The finished package is loaded as the stub loads it before PKG is kept.\n\n"
    "options:\n"
    "  --template TEXT      the installer's command-line template (CMDL);\n"
    "                       default: /vps_upd:\"%TMPPATH%\"\n"
    "  --name NAME          the package's short name (SFXN); default: PKG's file\n"
    "                       name without its extension\n"
    "  --packer lzma|zlib   packer of entries, parameters and map; default: lzma\n"
    "  --form 5|1           file signature: 5 second-generation raw (default),\n"
    "                       1 first-generation raw (refused by stubs built\n"
    "                       with KRV_SECOND_GENERATION_ONLY). The text checksum\n"
    "                       (form 2) is no choice: it authenticates nothing and\n"
    "                       no stub loads a package that carries it\n"
    "  --key FILE           private key set to sign with; default: the\n"
    "                       development keys, with a warning (tests only)\n"
    "  --entry-signatures   follow each entry by its own form 5 signature block\n"
    "  --param FILE         store FILE as the parameter block (CMDP)\n"
    "  --edat FILE          store FILE as the extra-data block\n"
    "  --time SECONDS       time of every entry (seconds since 1970, UTC);\n"
    "                       default: each file's last-write time\n"
    "  --authenticode-reserve SIZE\n"
    "                       sign for an Authenticode certificate table of SIZE\n"
    "                       bytes that osslsigncode adds afterwards (see\n"
    "                       'sfxtool authenticode-size'); PKG verifies only\n"
    "                       once a table of exactly SIZE bytes is there\n"
    "  --jobs N             pack at most N entries at once (1 to 50; default:\n"
    "                       one per processor); the bytes do not depend on it\n"
    "  --progress           draw the progress bar even when stdout is not a\n"
    "                       terminal (without it, the bar is drawn on a terminal\n"
    "                       only)\n";

struct EntryArgument {
  std::string name;
  std::string path;
  std::string extra_name;
};

std::string BaseName(const std::string& path) {
  const size_t slash = path.find_last_of("/\\");
  return slash == std::string::npos ? path : path.substr(slash + 1);
}

// PATH, NAME=PATH or NAME=PATH:XNAME. A colon followed by a path separator
// (as in C:\...) belongs to the path.
EntryArgument ParseEntryArgument(const std::string& text) {
  EntryArgument entry;
  const size_t equals = text.find('=');
  if (equals == std::string::npos) {
    entry.path = text;
    entry.name = BaseName(text);
    return entry;
  }
  entry.name = text.substr(0, equals);
  entry.path = text.substr(equals + 1);
  const size_t colon = entry.path.rfind(':');
  if (colon != std::string::npos && colon + 1 < entry.path.size() &&
      entry.path.find_first_of("/\\", colon) == std::string::npos) {
    entry.extra_name = entry.path.substr(colon + 1);
    entry.path.resize(colon);
  }
  return entry;
}

}  // namespace

int RunBuildCommand(const std::vector<std::string>& args, ToolIo& io) {
  ToolArgs parsed;
  std::string error;
  const std::vector<OptionSpec> options = {
      {"stub", true},  {"out", true}, {"template", true}, {"name", true},  {"packer", true},           {"form", true},
      {"key", true},   {"param", true}, {"edat", true},   {"time", true}, {"entry-signatures", false},
      {"authenticode-reserve", true}, {"jobs", true},  {"progress", false},
  };
  if (!parsed.Parse(args, options, &error)) return UsageError(io, kCommand, error);
  if (parsed.help()) {
    io.out << kUsage;
    return kExitOk;
  }
  if (!parsed.Has("stub")) return UsageError(io, kCommand, "--stub is required");
  if (!parsed.Has("out")) return UsageError(io, kCommand, "--out is required");
  const std::string packer_name = parsed.Value("packer", "lzma");
  if (packer_name != "lzma" && packer_name != "zlib") return UsageError(io, kCommand, "--packer must be lzma or zlib");
  const sfxarc::PackerId packer = packer_name == "lzma" ? sfxarc::kPackerLzma : sfxarc::kPackerZlib;
  SignatureForm form = SignatureForm::kRawV2;
  if (parsed.Value("form", "5") == "2") {
    return UsageError(io, kCommand,
                      "--form 2: the text checksum authenticates nothing (anyone can compute it); no stub loads "
                      "a package that carries it");
  }
  if (!ParseForm(parsed.Value("form", "5"), {5, 1}, &form)) return UsageError(io, kCommand, "--form must be 5 or 1");
  uint32_t fixed_time = 0;
  if (parsed.Has("time") && !ParseU32(parsed.Value("time"), &fixed_time)) {
    return UsageError(io, kCommand, "--time must be a number of seconds below 2^32");
  }
  uint32_t table_size = 0;
  if (!ParseAuthenticodeReserve(parsed, &table_size, &error)) return UsageError(io, kCommand, error);

  // A worker per processor, although each entry's encoder keeps more than
  // one busy (its match finder runs on threads of its own), so that free
  // processors are all used. Measured on 2 processors shared with other
  // sessions: one worker and two took about as long, either ahead by up to
  // 15% from run to run.
  uint32_t jobs = std::clamp<uint32_t>(std::thread::hardware_concurrency(), 1, sfxarc::kMaxPackJobs);
  if (parsed.Has("jobs") && (!ParseU32(parsed.Value("jobs"), &jobs) || jobs < 1 || jobs > sfxarc::kMaxPackJobs)) {
    return UsageError(io, kCommand, "--jobs takes a number from 1 to 50");
  }

  std::vector<EntryArgument> entries;
  std::vector<std::string> names;
  for (const std::string& word : parsed.positionals()) {
    EntryArgument entry = ParseEntryArgument(word);
    std::string problem = EntryNameProblem(entry.name);
    if (problem.empty() && !entry.extra_name.empty()) problem = EntryNameProblem(entry.extra_name);
    if (!problem.empty()) return UsageError(io, kCommand, problem);
    names.push_back(entry.name);
    if (!entry.extra_name.empty()) names.push_back(entry.extra_name);
    entries.push_back(entry);
  }
  const std::string colliding = CollidingName(names);
  if (!colliding.empty()) {
    return UsageError(io, kCommand, "name '" + colliding + "' given twice (names and extra names, without regard to case)");
  }

  sfxarc::PackageSpec spec;
  spec.command_line = parsed.Value("template", kDefaultTemplate);
  const std::string out = parsed.Value("out");
  const std::string out_name = BaseName(out);
  spec.name = parsed.Value("name", out_name.substr(0, out_name.rfind('.')));
  spec.map_packer = packer;
  spec.parameters_packer = packer;
  if (!ReadInputFile(parsed.Value("stub"), &spec.stub, &error)) return Failure(io, kCommand, error, kExitBadInput);
  if (HasCertificateTable(spec.stub)) {
    return Failure(io, kCommand,
                   parsed.Value("stub") + " already carries an Authenticode signature: build from the unsigned stub; " +
                       kSigningOrder,
                   kExitBadInput);
  }
  for (const EntryArgument& entry : entries) {
    sfxarc::PackageEntry stored;
    stored.name = entry.name;
    stored.extra_name = entry.extra_name;
    stored.packer = packer;
    stored.time = fixed_time;
    if (!ReadInputFile(entry.path, &stored.content, &error)) return Failure(io, kCommand, error, kExitBadInput);
    const std::string problem = EntryContentProblem(entry.name, entry.extra_name, stored.content.size());
    if (!problem.empty()) {
      return Failure(io, kCommand, "cannot store " + entry.path + " as '" + entry.name + "': " + problem,
                     kExitBadInput);
    }
    int64_t modified = 0;
    if (!parsed.Has("time")) {
      if (!FileModificationTime(entry.path, &modified) || modified < 0 || modified > 0xFFFFFFFFll) {
        return Failure(io, kCommand, "cannot take the time of " + entry.path + "; give --time", kExitBadInput);
      }
      stored.time = static_cast<uint32_t>(modified);
    }
    spec.entries.push_back(std::move(stored));
  }
  for (const char* option : {"param", "edat"}) {
    if (!parsed.Has(option)) continue;
    std::vector<uint8_t> bytes;
    if (!ReadInputFile(parsed.Value(option), &bytes, &error)) return Failure(io, kCommand, error, kExitBadInput);
    (std::string(option) == "param" ? spec.parameters : spec.extra_data) = std::move(bytes);
  }

  krv::signature::DsaKeySet keys;
  const int loaded = LoadSigningKeys(parsed, kCommand, io, &keys);
  if (loaded != kExitOk) return loaded;
  if (parsed.Has("entry-signatures")) spec.entry_keys = &keys;

  ProgressBar bar(io.out);
  progress::ProgressCallback callback;
  AttachProgressBar(callback, bar, io.out, parsed.Has("progress"));
  spec.pack_jobs = jobs;
  spec.progress = &callback;
  std::vector<uint8_t> image;
  krv::signature::SignStatus sign_status = krv::signature::SignStatus::kOk;
  sfxarc::PackageStatus status = sfxarc::BuildPackage(spec, &image, nullptr, &sign_status);
  bar.Finish();
  if (status == sfxarc::PackageStatus::kOk) {
    status = table_size == 0
                 ? sfxarc::AppendFileSignature(&image, form, keys, 0, &sign_status)
                 : sfxarc::AppendFileSignatureForAuthenticode(&image, form, keys, 0, table_size, &sign_status);
  }
  if (status != sfxarc::PackageStatus::kOk) {
    std::string message = sfxarc::PackageStatusText(status);
    if (status == sfxarc::PackageStatus::kSignFailed) {
      message += std::string(": ") + krv::signature::SignStatusText(sign_status);
    }
    return Failure(io, kCommand, message, kExitFailed);
  }
  if (!WriteOutputFile(out, image, &error)) return Failure(io, kCommand, error, kExitCannotWrite);
  uint32_t load_code = 0;
  switch (CheckPackageLoads(out, image, table_size, &load_code)) {
    case PackageCheck::kLoads:
      break;
    case PackageCheck::kOtherKeys:
      io.err << "sfxtool build: note: " << out
             << " is signed with keys that are not built into this sfxtool: a stub built with the same key file "
                "as this sfxtool refuses it; only a stub built with the matching public keys accepts it\n";
      break;
    case PackageCheck::kRefused: {
      RemoveOutputFile(out);
      char code[16];
      std::snprintf(code, sizeof code, "0x%x", load_code);
      return Failure(io, kCommand,
                     "the stub would refuse the package (its archive does not load, code " + std::string(code) +
                         "); " + out + " was not kept",
                     kExitFailed);
    }
  }
  io.out << "wrote " << out << ": " << spec.entries.size() << (spec.entries.size() == 1 ? " entry, " : " entries, ")
         << image.size() << " bytes, "
         << FormName(form) << " signature";
  if (table_size != 0) {
    io.out << ", for an Authenticode table of " << table_size
           << " bytes (it verifies once osslsigncode has added that table)";
  }
  io.out << "\n";
  return kExitOk;
}

}  // namespace krv::tools
