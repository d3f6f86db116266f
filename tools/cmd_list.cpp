// sfxtool list PKG [--json]

#include <cstdio>
#include <iomanip>
#include <sstream>

#include "log/utf8_text.h"
#include "sfxarc/keep_packed.h"
#include "sfxarc/m_file.h"
#include "sfxarc/sfx_arc.h"
#include "sfxarc/unpack_block.h"
#include "tools/commands.h"
#include "tools/json_text.h"
#include "tools/tool_args.h"
#include "tools/tool_files.h"
#include "tools/time_text.h"

namespace krv::tools {

namespace {

constexpr char kCommand[] = "list";

constexpr char kUsage[] =
    "usage: sfxtool list PKG [--json]\n\n"
    "Loads PKG as the stub does and prints the command-line template, the\n"
    "package's name and, per entry: name, offset, stored size, time, packer,\n"
    "unpacked size, and whether extraction keeps it packed (the updater's own\n"
    "packages) or unpacks it. Loading needs a file signature of a keyed form (5,\n"
    "or 1 unless built with KRV_SECOND_GENERATION_ONLY) that verifies against the\n"
    "keys built into this program, and a map that parses; a text checksum (form\n"
    "2) authenticates nothing and is refused. A package that does not load ends\n"
    "with the loader's code and exit code 5.\n\n"
    "options:\n"
    "  --json   one JSON object instead of text\n";

struct EntryInfo {
  std::string name;
  std::string extra_name;
  uint32_t offset;
  uint32_t stored_size;
  int64_t time;
  std::string packer;  // "lzma", "zlib" or "unknown"
  uint32_t unpacked_size;
  bool kept_packed;
};

std::string Utf8(const std::wstring& text) { return krv::log::utf8_from_wide(text.c_str()); }

EntryInfo Describe(sfxarc::SfxArc& archive, const sfxarc::SfxEntry& entry) {
  EntryInfo info = {Utf8(entry.name), Utf8(entry.extra_name), entry.offset, entry.stored_size, entry.time, "unknown", 0,
                    sfxarc::IsKeptPacked(entry.name)};
  const uint32_t header_size =
      entry.stored_size < sfxarc::kPackedBlockHeaderSize ? entry.stored_size : sfxarc::kPackedBlockHeaderSize;
  std::unique_ptr<sfxarc::FileBlock> header = archive.ReadStored(entry.offset, header_size);
  sfxarc::CMFile view;
  sfxarc::PackedBlockHeader block;
  if (header && view.Attach(header->data(), header->size()) && sfxarc::ReadPackedBlockHeader(view, &block)) {
    info.packer = block.packer == sfxarc::kPackerLzma ? "lzma" : "zlib";
    info.unpacked_size = block.unpacked_size;
  }
  return info;
}

std::string Hex(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%x", value);
  return text;
}

}  // namespace

int RunListCommand(const std::vector<std::string>& args, ToolIo& io) {
  ToolArgs parsed;
  std::string error;
  if (!parsed.Parse(args, {{"json", false}}, &error)) return UsageError(io, kCommand, error);
  if (parsed.help()) {
    io.out << kUsage;
    return kExitOk;
  }
  if (parsed.positionals().size() != 1) return UsageError(io, kCommand, "expected one package");
  const std::string& path = parsed.positionals()[0];
  sfxarc::SfxArc archive;
  const uint32_t code = archive.Load(WidePath(path));
  if (code != 0) return Failure(io, kCommand, "cannot load " + path + " (code " + Hex(code) + ")", kExitFailed);

  std::vector<EntryInfo> entries;
  for (const sfxarc::SfxEntry& entry : archive.Entries()) entries.push_back(Describe(archive, entry));

  if (parsed.Has("json")) {
    io.out << "{\"package\": " << JsonString(path) << ", \"template\": " << JsonString(Utf8(archive.CommandLineTemplate()))
           << ", \"name\": " << JsonString(Utf8(archive.Name())) << ", \"entries\": [";
    for (size_t i = 0; i < entries.size(); ++i) {
      const EntryInfo& e = entries[i];
      io.out << (i == 0 ? "" : ", ") << "{\"name\": " << JsonString(e.name) << ", \"extra_name\": "
             << JsonString(e.extra_name) << ", \"offset\": " << e.offset << ", \"stored_size\": " << e.stored_size
             << ", \"time\": " << e.time << ", \"packer\": \"" << e.packer << "\", \"unpacked_size\": "
             << e.unpacked_size << ", \"kept_packed\": " << (e.kept_packed ? "true" : "false") << "}";
    }
    io.out << "]}\n";
    return kExitOk;
  }
  io.out << "package:  " << path << "\n"
         << "template: " << Utf8(archive.CommandLineTemplate()) << "\n"
         << "name:     " << Utf8(archive.Name()) << "\n"
         << "entries:  " << entries.size() << "\n";
  if (entries.empty()) return kExitOk;
  io.out << std::left << std::setw(32) << "name" << std::right << std::setw(11) << "offset" << std::setw(11)
         << "stored" << "  " << std::left << std::setw(24) << "time" << std::setw(6) << "packer" << std::right
         << std::setw(11) << "unpacked" << "  extracted\n";
  for (const EntryInfo& e : entries) {
    io.out << std::left << std::setw(32) << e.name << std::right << std::setw(11) << e.offset << std::setw(11)
           << e.stored_size << "  " << std::left << std::setw(24) << UtcTimeText(e.time) << std::setw(6) << e.packer
           << std::right << std::setw(11) << e.unpacked_size << "  " << (e.kept_packed ? "as stored" : "unpacked");
    if (!e.extra_name.empty()) io.out << ", also unpacked as " << e.extra_name;
    io.out << "\n";
  }
  return kExitOk;
}

}  // namespace krv::tools
