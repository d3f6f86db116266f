#include "sfxarc/map_writer.h"

#include "sfxarc/archive_format.h"

namespace krv::sfxarc {

namespace {

void AppendU32(std::vector<uint8_t>* out, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out->push_back(static_cast<uint8_t>(value >> shift));
}

std::vector<uint8_t> U32s(std::initializer_list<uint32_t> values) {
  std::vector<uint8_t> out;
  for (uint32_t value : values) AppendU32(&out, value);
  return out;
}

}  // namespace

void AppendChunk(std::vector<uint8_t>* out, uint32_t tag, const std::vector<uint8_t>& body) {
  AppendU32(out, tag);
  AppendU32(out, static_cast<uint32_t>(body.size()));
  out->insert(out->end(), body.begin(), body.end());
}

void AppendChunk(std::vector<uint8_t>* out, uint32_t tag, const std::string& body) {
  AppendChunk(out, tag, std::vector<uint8_t>(body.begin(), body.end()));
}

std::vector<uint8_t> EncodeMap(const MapContent& content) {
  std::vector<uint8_t> map;
  AppendChunk(&map, kTagMode, std::string(kModeExtract));
  AppendChunk(&map, kTagName, content.name);
  AppendChunk(&map, kTagCommandLine, content.command_line);
  if (content.parameters) {
    AppendChunk(&map, kTagCommandParameters, U32s({content.parameters->first, content.parameters->second}));
  }
  std::vector<uint8_t> list;
  for (const MapFile& file : content.files) {
    std::vector<uint8_t> body;
    AppendChunk(&body, kTagFileName, file.name);
    AppendChunk(&body, kTagPointer, U32s({file.offset, file.stored_size, file.time}));
    if (!file.extra_name.empty()) AppendChunk(&body, kTagExtraName, file.extra_name);
    AppendChunk(&list, kTagFile, body);
  }
  AppendChunk(&map, kTagList, list);
  return map;
}

}  // namespace krv::sfxarc
