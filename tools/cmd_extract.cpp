// sfxtool extract PKG DIR [--jobs N] [--progress]

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <iomanip>
#include <sstream>
#include <system_error>

#include "progress/progress_callback.h"
#include "sfxarc/keep_packed.h"
#include "sfxarc/sfx_arc.h"
#include "tools/commands.h"
#include "tools/progress_bar.h"
#include "tools/tool_args.h"
#include "tools/tool_files.h"

namespace krv::tools {

namespace {

constexpr char kCommand[] = "extract";

constexpr char kUsage[] =
    "usage: sfxtool extract PKG DIR [--jobs N] [--progress]\n\n"
    "Loads PKG as the stub does and extracts every entry into DIR, created when\n"
    "missing, exactly as the stub extracts into its workspace: the updater's own\n"
    "packages (names containing part-, prod-pgm.vpx, prod-vps.vpx, uat.vpx,\n"
    "servers.def or config.def, in this case) as stored, everything else\n"
    "unpacked, each file with its entry's time. Loading needs a file signature of\n"
    "a keyed form (5, or 1 unless built with KRV_SECOND_GENERATION_ONLY) that\n"
    "verifies against the keys built into this program; a text checksum (form 2)\n"
    "authenticates nothing and is refused. Entry names that could leave DIR are\n"
    "refused. Failed entries are reported on stderr and leave no file.\n\n"
    "options:\n"
    "  --jobs N     extract at most N entries at once (1 to 50; default 50)\n"
    "  --progress   draw the progress bar even when stdout is not a terminal\n"
    "               (without it, the bar is drawn on a terminal only)\n\n"
    "Names of devices (NUL, CON, COM1, ... in any folder, with any extension)\n"
    "are refused like names that leave DIR. A file or link already in DIR at an\n"
    "entry's name is replaced, never written through; an entry one of whose\n"
    "folders in DIR is a link fails (82) and writes nothing.\n\n"
    "exit codes: 0 every entry extracted; 2 bad command line; 4 DIR cannot be\n"
    "created; 5 PKG does not load; otherwise the extraction's result code when\n"
    "it fits the shell's 8 bits (8 out of memory, 82 a file cannot be written),\n"
    "else 255 (1006 damaged entry or refused name, 0xA002 entry does not unpack);\n"
    "the full code is printed either way.\n";

// The shell sees 8 bits of an exit code: larger result codes become 255.
constexpr int kExitLargeResult = 255;

// What the entries being extracted at once may hold (their stored bytes and
// unpacked contents): far fewer bytes than the stub's budget keep a
// machine's processors busy, and the tool's peak stays near 100 MiB.
constexpr uint64_t kToolExtractionBudget = 96u << 20;

int ExitCodeOf(uint32_t result) { return result <= 255 ? static_cast<int>(result) : kExitLargeResult; }

std::string Hex(uint32_t value) {
  char text[16];
  std::snprintf(text, sizeof text, "0x%x", value);
  return text;
}

}  // namespace

int RunExtractCommand(const std::vector<std::string>& args, ToolIo& io) {
  ToolArgs parsed;
  std::string error;
  if (!parsed.Parse(args, {{"jobs", true}, {"progress", false}}, &error)) return UsageError(io, kCommand, error);
  if (parsed.help()) {
    io.out << kUsage;
    return kExitOk;
  }
  if (parsed.positionals().size() != 2) return UsageError(io, kCommand, "expected a package and a folder");
  uint32_t jobs = sfxarc::kMaxExtractionWorkers;
  if (parsed.Has("jobs") && (!ParseU32(parsed.Value("jobs"), &jobs) || jobs < 1 || jobs > sfxarc::kMaxExtractionWorkers))
    return UsageError(io, kCommand, "--jobs takes a number from 1 to 50");
  const std::string& package = parsed.positionals()[0];
  const std::string& folder = parsed.positionals()[1];

  sfxarc::SfxArc archive;
  const uint32_t loaded = archive.Load(WidePath(package));
  if (loaded != 0) return Failure(io, kCommand, "cannot load " + package + " (code " + Hex(loaded) + ")", kExitFailed);

  std::error_code created;
  std::filesystem::create_directories(std::filesystem::u8path(folder), created);
  if (created) return Failure(io, kCommand, "cannot create " + folder + ": " + created.message(), kExitCannotWrite);

  ProgressBar bar(io.out);
  progress::ProgressCallback callback;
  AttachProgressBar(callback, bar, io.out, parsed.Has("progress"));
  const auto start = std::chrono::steady_clock::now();
  const uint32_t result = archive.ExtractAllFiles(WidePath(folder), &callback, jobs, kToolExtractionBudget);
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  bar.Finish();

  const size_t entries = archive.Entries().size();
  if (result != 0) {
    return Failure(io, kCommand,
                   "extraction into " + folder + " failed with code " + Hex(result) + " (" + std::to_string(result) +
                       "); see the errors above",
                   ExitCodeOf(result));
  }
  size_t stored = 0;
  for (const sfxarc::SfxEntry& entry : archive.Entries()) stored += sfxarc::IsKeptPacked(entry.name) ? 1 : 0;
  std::ostringstream summary;
  summary << "extracted " << entries << (entries == 1 ? " entry" : " entries") << " into " << folder << " ("
          << entries - stored << " unpacked, " << stored << " as stored) in " << std::fixed << std::setprecision(2)
          << seconds << " s\n";
  io.out << summary.str();
  return kExitOk;
}

}  // namespace krv::tools
