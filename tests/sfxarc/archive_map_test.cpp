#include "sfxarc/archive_map.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "sfxarc/archive_format.h"
#include "sfxarc/m_file.h"
#include "sfxarc/map_writer.h"

namespace krv::sfxarc {
namespace {

using Bytes = std::vector<uint8_t>;

Bytes Text(const std::string& text) { return Bytes(text.begin(), text.end()); }

Bytes U32s(std::initializer_list<uint32_t> values) {
  Bytes out;
  for (uint32_t value : values) {
    for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<uint8_t>(value >> shift));
  }
  return out;
}

Bytes Cat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& part : parts) out.insert(out.end(), part.begin(), part.end());
  return out;
}

Bytes Chunk(const char (&tag)[5], const Bytes& body) {
  Bytes out;
  AppendChunk(&out, MakeTag(tag), body);
  return out;
}

// A chunk whose length claims `claimed` bytes while `body` follows.
Bytes ChunkClaiming(const char (&tag)[5], uint32_t claimed, const Bytes& body) {
  return Cat({U32s({MakeTag(tag), claimed}), body});
}

const Bytes kMode = Chunk("MODE", Text("extract"));

Bytes File(const std::string& name, uint32_t offset = 100) {
  return Chunk("FILE", Cat({Chunk("NAME", Text(name)), Chunk("PTRL", U32s({offset, 50, 7}))}));
}

Bytes BadFile(const std::string& name) {
  return Chunk("FILE", Cat({Chunk("NAME", Text(name)), Chunk("PTRL", U32s({1, 2}))}));
}

uint32_t Parse(Bytes bytes, ArchiveMap* map) {
  CMFile file;
  if (!bytes.empty()) file.Attach(bytes.data(), static_cast<uint32_t>(bytes.size()));
  return ParseMap(file, map);
}

std::vector<std::wstring> Names(const ArchiveMap& map) {
  std::vector<std::wstring> names;
  for (const SfxEntry& entry : map.entries) names.push_back(entry.name);
  return names;
}

struct MapRow {
  const char* what;
  Bytes map;
  uint32_t code;
  std::vector<std::wstring> names;
};

TEST(ParseMap, ResultsAndEntries) {
  const MapRow rows[] = {
      {"two files", Cat({kMode, Chunk("LIST", Cat({File("a"), File("b")}))}), 0, {L"a", L"b"}},
      {"no LIST", kMode, 0, {}},
      {"empty map", {}, kMapNotExtractMode, {}},
      {"MODE in another case", Cat({Chunk("MODE", Text("Extract")), Chunk("LIST", File("a"))}), kMapNotExtractMode,
       {L"a"}},
      {"MODE with a trailing zero byte", Cat({Chunk("MODE", Text(std::string("extract", 8))), Chunk("LIST", File("a"))}),
       kMapNotExtractMode, {L"a"}},
      {"no MODE", Chunk("LIST", File("a")), kMapNotExtractMode, {L"a"}},
      {"a later MODE replaces an earlier one", Cat({kMode, Chunk("MODE", Text("update"))}), kMapNotExtractMode, {}},
      {"a later MODE repairs an earlier one", Cat({Chunk("MODE", Text("update")), kMode}), 0, {}},
      {"MODE running past the data", Cat({ChunkClaiming("MODE", 8, Text("extract"))}), kMapNotExtractMode, {}},
      {"CMDP of 12 bytes stops the map at once",
       Cat({kMode, Chunk("CMDP", U32s({1, 2, 3})), Chunk("LIST", File("a"))}), kMapBadParameters, {}},
      {"CMDP running past the data", Cat({kMode, ChunkClaiming("CMDP", 8, U32s({1}))}), kMapBadParameters, {}},
      {"CMDP of 8 bytes", Cat({kMode, Chunk("CMDP", U32s({1, 2})), Chunk("LIST", File("a"))}), 0, {L"a"}},
      {"FILE without NAME gives an empty name",
       Cat({kMode, Chunk("LIST", Chunk("FILE", Chunk("PTRL", U32s({1, 2, 3}))))}), 0, {L""}},
      {"bad PTRL then a good FILE", Cat({kMode, Chunk("LIST", Cat({BadFile("x"), File("a")}))}), 0, {L"a"}},
      {"good FILE then a bad PTRL", Cat({kMode, Chunk("LIST", Cat({File("a"), BadFile("x")}))}), kMapBadFile, {L"a"}},
      {"PTRL running past its FILE",
       Cat({kMode, Chunk("LIST", Chunk("FILE", Cat({Chunk("NAME", Text("x")), ChunkClaiming("PTRL", 12, U32s({1}))})))}),
       kMapBadFile, {}},
      {"FILE running past its LIST", Cat({kMode, Chunk("LIST", Cat({File("a"), ChunkClaiming("FILE", 40, File("x"))}))}),
       kMapBadFile, {L"a"}},
      {"a bad LIST, then a good one", Cat({kMode, Chunk("LIST", BadFile("x")), Chunk("LIST", File("a"))}), 0, {L"a"}},
      {"a good LIST, then a bad one", Cat({kMode, Chunk("LIST", File("a")), Chunk("LIST", BadFile("x"))}), kMapBadFile,
       {L"a"}},
      {"every LIST appends", Cat({kMode, Chunk("LIST", File("a")), Chunk("LIST", File("b"))}), 0, {L"a", L"b"}},
      {"an empty LIST yields 0", Cat({kMode, Chunk("LIST", BadFile("x")), Chunk("LIST", {})}), 0, {}},
      {"a LIST running past the data counts as empty",
       Cat({kMode, Chunk("LIST", BadFile("x")), ChunkClaiming("LIST", 1000, File("a"))}), 0, {}},
      {"unknown tags are skipped at every level",
       Cat({Chunk("JUNK", Text("MODE")), kMode,
            Chunk("LIST", Cat({Chunk("JUNK", File("x")),
                               Chunk("FILE", Cat({Chunk("JUNK", Text("y")), Chunk("NAME", Text("a")),
                                                  Chunk("PTRL", U32s({1, 2, 3}))}))}))}),
       0, {L"a"}},
      {"NAME stops at its first zero byte", Cat({kMode, Chunk("LIST", File(std::string("abc\0def", 7)))}), 0, {L"abc"}},
      {"NAME running past its FILE is skipped",
       Cat({kMode, Chunk("LIST", Chunk("FILE", Cat({Chunk("PTRL", U32s({1, 2, 3})), ChunkClaiming("NAME", 9, Text("ab"))})))}),
       0, {L""}},
      {"a chunk header cut short ends the map", Cat({kMode, Chunk("LIST", File("a")), Bytes{'M', 'O', 'D'}}), 0, {L"a"}},
      {"a length of 0xFFFFFFFF ends the map", Cat({kMode, Chunk("LIST", File("a")), ChunkClaiming("JUNK", 0xFFFFFFFFu, {})}),
       0, {L"a"}},
  };
  for (const MapRow& row : rows) {
    SCOPED_TRACE(row.what);
    ArchiveMap map;
    EXPECT_EQ(Parse(row.map, &map), row.code);
    EXPECT_EQ(Names(map), row.names);
  }
}

TEST(ParseMap, FieldsOfAWrittenMap) {
  MapContent content;
  content.name = "vps-update";
  content.command_line = "/vps_upd:\"%TMPPATH%\"";
  content.parameters = std::make_pair(0x1234u, 0x56u);
  content.files.push_back({"vps_win32-215b.vpx", 0x400, 0x1000, 0xFFFFFFFFu, ""});
  content.files.push_back({"Config.def", 0x1400, 0x20, 0, "config-copy.def"});
  ArchiveMap map;
  ASSERT_EQ(Parse(EncodeMap(content), &map), 0u);
  EXPECT_TRUE(map.mode_extract);
  EXPECT_EQ(map.name, L"vps-update");
  EXPECT_EQ(map.command_line, L"/vps_upd:\"%TMPPATH%\"");
  EXPECT_EQ(map.parameters.offset, 0x1234u);
  EXPECT_EQ(map.parameters.stored_size, 0x56u);
  ASSERT_EQ(map.entries.size(), 2u);
  EXPECT_EQ(map.entries[0].offset, 0x400u);
  EXPECT_EQ(map.entries[0].stored_size, 0x1000u);
  EXPECT_EQ(map.entries[0].time, 0xFFFFFFFFll) << "the time's high half is 0";
  EXPECT_EQ(map.entries[0].extra_name, L"");
  EXPECT_EQ(map.entries[1].name, L"Config.def");
  EXPECT_EQ(map.entries[1].extra_name, L"config-copy.def");
}

TEST(ParseMap, LaterStringsReplaceEarlierOnesAndFailuresKeepWhatWasRead) {
  ArchiveMap map;
  const Bytes bytes = Cat({kMode, Chunk("CMDL", Text("/first")), Chunk("SFXN", Text("one")), Chunk("CMDL", Text("/second")),
                           Chunk("LIST", File("a")), Chunk("CMDP", {}), Chunk("SFXN", Text("never"))});
  EXPECT_EQ(Parse(bytes, &map), kMapBadParameters);
  EXPECT_EQ(map.command_line, L"/second");
  EXPECT_EQ(map.name, L"one");
  EXPECT_EQ(Names(map), std::vector<std::wstring>{L"a"});
}

TEST(ParseMap, BytesAboveAsciiKeepTheirValueInTheCLocale) {
  ArchiveMap map;
  ASSERT_EQ(Parse(Cat({kMode, Chunk("LIST", File("caf\xE9.def"))}), &map), 0u);
  EXPECT_EQ(Names(map), std::vector<std::wstring>{L"caf\u00e9.def"});
}

// Empty FILE chunks cost 8 bytes of map each, and a map of them packs to
// almost nothing: the count is limited, not only the map's size.
TEST(ParseMap, StopsAtTheEntryLimit) {
  struct CountRow {
    const char* what;
    uint32_t lists;
    uint32_t files_per_list;
    uint32_t code;
    size_t entries;
  };
  const CountRow rows[] = {
      {"exactly the limit", 1, kMaxMapEntries, 0, kMaxMapEntries},
      {"one more", 1, kMaxMapEntries + 1, kMapTooManyEntries, kMaxMapEntries},
      {"one more, over two LISTs", 2, kMaxMapEntries / 2 + 1, kMapTooManyEntries, kMaxMapEntries},
  };
  const Bytes empty_file = Chunk("FILE", Bytes());
  for (const CountRow& row : rows) {
    SCOPED_TRACE(row.what);
    Bytes list_body;
    for (uint32_t i = 0; i < row.files_per_list; ++i) list_body.insert(list_body.end(), empty_file.begin(), empty_file.end());
    Bytes map = kMode;
    for (uint32_t i = 0; i < row.lists; ++i) {
      const Bytes list = Chunk("LIST", list_body);
      map.insert(map.end(), list.begin(), list.end());
    }
    ArchiveMap parsed;
    EXPECT_EQ(Parse(map, &parsed), row.code);
    EXPECT_EQ(parsed.entries.size(), row.entries);
  }
}

}  // namespace
}  // namespace krv::sfxarc
