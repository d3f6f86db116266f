#pragma once
// Writing an archive map (format in archive_format.h). Host side.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace krv::sfxarc {

// Appends one chunk: `tag`, the body's length, the body.
void AppendChunk(std::vector<uint8_t>* out, uint32_t tag, const std::vector<uint8_t>& body);
void AppendChunk(std::vector<uint8_t>* out, uint32_t tag, const std::string& body);

// One FILE of the map. Strings are the 8-bit bytes stored (no terminator).
struct MapFile {
  std::string name;
  uint32_t offset = 0;
  uint32_t stored_size = 0;
  uint32_t time = 0;
  // Written as XNAM when not empty.
  std::string extra_name;
};

struct MapContent {
  std::string name;          // SFXN
  std::string command_line;  // CMDL
  // CMDP (offset, size) when set.
  std::optional<std::pair<uint32_t, uint32_t>> parameters;
  std::vector<MapFile> files;  // one LIST holding a FILE for each
};

// The map's bytes: MODE "extract", SFXN, CMDL, CMDP when set, then one LIST.
std::vector<uint8_t> EncodeMap(const MapContent& content);

}  // namespace krv::sfxarc
