#include "sfxarc/archive_map.h"

#include <cstring>
#include <new>

#include "sfxarc/ansi_text.h"
#include "sfxarc/archive_format.h"
#include "sfxarc/file_block.h"
#include "sfxarc/m_file.h"

namespace krv::sfxarc {

namespace {

// One chunk as the loop hands it to a level's handler. `body` is null when
// the body runs past the end of the data around it.
struct Chunk {
  uint32_t tag;
  uint32_t length;
  uint8_t* body;
};

// Runs `handle` on every chunk of `data`, from its start, until the data
// ends, a chunk header is cut short, or `handle` returns false. The loop
// moves to each chunk's end whatever the handler consumed.
template <typename Handler>
void ForEachChunk(CGenFile& data, Handler&& handle) {
  const uint64_t size = data.GetSize();
  uint64_t position = 0;
  while (position < size) {
    data.Seek(static_cast<uint32_t>(position), kSeekFromStart);
    Chunk chunk = {0, 0, nullptr};
    if (!ReadU32(data, &chunk.tag) || !ReadU32(data, &chunk.length)) return;
    const uint64_t body_start = position + kChunkHeaderSize;
    const uint64_t end = body_start + chunk.length;
    // The length is checked against what is there before any block is taken.
    FileBlock body(data, end <= size ? chunk.length : 0);
    chunk.body = end <= size ? body.data() : nullptr;
    if (!handle(chunk)) return;
    position = end;
  }
}

std::wstring ChunkString(const Chunk& chunk) { return WideFromAnsi(chunk.body, chunk.length); }

// Reads `count` u32 values from a fixed-size body of exactly `count` * 4
// bytes. False when the body has another length or is cut short.
bool ReadFixedBody(const Chunk& chunk, uint32_t* values, uint32_t count) {
  if (chunk.length != count * 4 || chunk.body == nullptr) return false;
  CMFile body;
  body.Attach(chunk.body, chunk.length);
  for (uint32_t i = 0; i < count; ++i) {
    if (!ReadU32(body, &values[i])) return false;
  }
  return true;
}

// A FILE body: 0, or 1006 for a bad PTRL (the entry is then dropped).
uint32_t ParseFile(CGenFile& data, SfxEntry* entry) {
  uint32_t result = 0;
  ForEachChunk(data, [&](const Chunk& chunk) {
    if (chunk.tag == kTagFileName) {
      if (chunk.body != nullptr) entry->name = ChunkString(chunk);
    } else if (chunk.tag == kTagExtraName) {
      if (chunk.body != nullptr) entry->extra_name = ChunkString(chunk);
    } else if (chunk.tag == kTagPointer) {
      uint32_t pointer[3] = {};
      if (!ReadFixedBody(chunk, pointer, 3)) {
        result = kMapBadFile;
        return false;
      }
      entry->offset = pointer[0];
      entry->stored_size = pointer[1];
      entry->time = static_cast<int64_t>(pointer[2]);
    }
    return true;
  });
  return result;
}

// A LIST body: the result of its last FILE, 0 when it holds none. Stops,
// with `*full` set, at a FILE that would make more than kMaxMapEntries.
uint32_t ParseList(CGenFile& data, std::vector<SfxEntry>* entries, bool* full) {
  uint32_t result = 0;
  ForEachChunk(data, [&](const Chunk& chunk) {
    if (chunk.tag != kTagFile) return true;
    if (chunk.body == nullptr) {
      // A FILE cut short by its LIST cannot describe its entry.
      result = kMapBadFile;
      return true;
    }
    CMFile body;
    body.Attach(chunk.body, chunk.length);
    SfxEntry entry;
    result = ParseFile(body, &entry);
    if (result != 0) return true;
    if (entries->size() >= kMaxMapEntries) {
      *full = true;
      return false;
    }
    entries->push_back(std::move(entry));
    return true;
  });
  return result;
}

bool IsExtractMode(const Chunk& chunk) {
  return chunk.body != nullptr && chunk.length == kModeExtractSize &&
         std::memcmp(chunk.body, kModeExtract, kModeExtractSize) == 0;
}

// ParseMap without its guard against exceptions.
uint32_t ParseChunks(CGenFile& data, ArchiveMap* map) {
  uint32_t list_result = 0;
  bool bad_parameters = false;
  bool full = false;
  ForEachChunk(data, [&](const Chunk& chunk) {
    switch (chunk.tag) {
      case kTagMode:
        map->mode_extract = IsExtractMode(chunk);
        break;
      case kTagName:
        if (chunk.body != nullptr) map->name = ChunkString(chunk);
        break;
      case kTagCommandLine:
        if (chunk.body != nullptr) map->command_line = ChunkString(chunk);
        break;
      case kTagCommandParameters: {
        uint32_t reference[2] = {};
        if (!ReadFixedBody(chunk, reference, 2)) {
          bad_parameters = true;
          return false;
        }
        map->parameters.offset = reference[0];
        map->parameters.stored_size = reference[1];
        break;
      }
      case kTagList: {
        list_result = 0;
        if (chunk.body != nullptr) {
          CMFile body;
          body.Attach(chunk.body, chunk.length);
          list_result = ParseList(body, &map->entries, &full);
          if (full) return false;
        }
        break;
      }
      default:
        break;
    }
    return true;
  });
  if (bad_parameters) return kMapBadParameters;
  if (full) return kMapTooManyEntries;
  if (!map->mode_extract) return kMapNotExtractMode;
  return list_result;
}

}  // namespace

uint32_t ParseMap(CGenFile& data, ArchiveMap* map) {
  try {
    return ParseChunks(data, map);
  } catch (const std::bad_alloc&) {
    return kMapOutOfMemory;
  }
}

}  // namespace krv::sfxarc
