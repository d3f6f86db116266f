#pragma once
// The map of an archive: what its chunks say, and the parser that reads them.

#include <cstdint>
#include <string>
#include <vector>

#include "sfxarc/gen_file.h"
#include "sfxarc/sfx_entry.h"

namespace krv::sfxarc {

// What a parsed map holds. A later chunk of the same kind replaces the
// value of an earlier one; every LIST appends its entries.
struct ArchiveMap {
  // MODE was exactly "extract".
  bool mode_extract = false;
  // SFXN: the package's short name.
  std::wstring name;
  // CMDL: the installer's command-line template.
  std::wstring command_line;
  // CMDP: offset and size of the parameter block (only those two fields).
  SfxEntry parameters;
  // One per FILE that parsed, in map order.
  std::vector<SfxEntry> entries;
};

// Parser results besides 0.
constexpr uint32_t kMapNotExtractMode = 87;
constexpr uint32_t kMapBadFile = 1006;
constexpr uint32_t kMapBadParameters = 0xFFFFFFFF;
constexpr uint32_t kMapTooManyEntries = 1006;  // beyond kMaxMapEntries
constexpr uint32_t kMapOutOfMemory = 8;

// Parses the map in `data` (from its start to its size) into `*map`,
// adding to what it holds. Returns:
//   0xFFFFFFFF at once for a CMDP chunk whose body is not 8 bytes (or is
//     cut short by the end of the data); nothing after it is parsed;
//   1006 at once for a FILE that would make more than kMaxMapEntries
//     entries (archive_format.h); `*map` then holds that many;
//   8 when memory runs out (no exception leaves the parser);
//   87 when, after the whole map, MODE is not exactly "extract";
//   else the result of the last LIST: the result of its last FILE, 0 for a
//     FILE that parsed, 1006 for one whose PTRL is not 12 bytes or which is
//     cut short by the end of its LIST; 0 for an empty LIST and for none.
// A FILE that failed adds no entry. A string or LIST chunk whose body runs
// past the end of its data is skipped. `*map` keeps what was parsed before
// a failure. Never reads outside `data`.
uint32_t ParseMap(CGenFile& data, ArchiveMap* map);

}  // namespace krv::sfxarc
