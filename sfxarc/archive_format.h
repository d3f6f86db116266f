#pragma once
// The archive carried behind the stub's PE image. All integers are
// little-endian u32; all offsets are absolute from the start of the file.
//
// File, from its start:
//   PE image
//   stored entries, back to back: each a packed block (unpack_block.h),
//     as a rule followed by the entry's own 72-byte signature block
//   map block: a packed block whose unpacked bytes are the map
//   trailer (20 bytes):           map offset M, "KRVsetupSelfExt2"
//   extra-data block (optional):  data[N], N, "EDAT"
//   file signature block          covers [0, its own start)
//   0-7 zero bytes and a PE certificate table (when Authenticode-signed)
// The content end E is where the file signature block starts; for the text
// checksum form E lies 2 bytes before the block. The reader works down from
// E: the extra data ends at E (its last 4 bytes read "EDAT"), the trailer
// ends where the extra data starts (or at E), and the map block spans [M, T)
// where T is the trailer's offset.
//
// Map: a sequence of chunks, each
//   [0, 4) tag (four ASCII letters, compared as a u32)   [4, 8) body length L
//   [8, 8 + L) body
// Top level: MODE ("extract", 7 bytes), SFXN (name), CMDL (command-line
// template), CMDP (8 bytes: offset, size), LIST (chunks; each FILE holds
// one entry). FILE body: NAME (name), PTRL (12 bytes: offset, stored size,
// time), XNAM (extra name). Strings run to their first zero byte or the end
// of the body. Other tags are skipped at every level.

#include <cstdint>

namespace krv::sfxarc {

// A chunk tag from its four letters in file order.
constexpr uint32_t MakeTag(const char (&letters)[5]) {
  return static_cast<uint32_t>(static_cast<uint8_t>(letters[0])) |
         static_cast<uint32_t>(static_cast<uint8_t>(letters[1])) << 8 |
         static_cast<uint32_t>(static_cast<uint8_t>(letters[2])) << 16 |
         static_cast<uint32_t>(static_cast<uint8_t>(letters[3])) << 24;
}

constexpr uint32_t kTagMode = MakeTag("MODE");
constexpr uint32_t kTagName = MakeTag("SFXN");
constexpr uint32_t kTagCommandLine = MakeTag("CMDL");
constexpr uint32_t kTagCommandParameters = MakeTag("CMDP");
constexpr uint32_t kTagList = MakeTag("LIST");
constexpr uint32_t kTagFile = MakeTag("FILE");
constexpr uint32_t kTagFileName = MakeTag("NAME");
constexpr uint32_t kTagPointer = MakeTag("PTRL");
constexpr uint32_t kTagExtraName = MakeTag("XNAM");
constexpr uint32_t kTagExtraData = MakeTag("EDAT");

// Size of a chunk's tag and length.
constexpr uint32_t kChunkHeaderSize = 8;
// The only mode this reader extracts.
constexpr char kModeExtract[] = "extract";
constexpr uint32_t kModeExtractSize = 7;
// Fixed body sizes.
constexpr uint32_t kCommandParametersSize = 8;
constexpr uint32_t kPointerSize = 12;

// Trailer: map offset, then this 16-byte magic.
constexpr char kTrailerMagic[] = "KRVsetupSelfExt2";
constexpr uint32_t kTrailerMagicSize = 16;
constexpr uint32_t kTrailerSize = 20;
// The extra-data block ends in its data length and this tag.
constexpr uint32_t kExtraDataFooterSize = 8;

// Limits on what a map may make the reader do. A valid signature says who
// made a package, not that its counts and sizes are harmless: a map of a few
// hundred kilobytes packed can name tens of millions of entries, and a block
// of 30 bytes can declare gigabytes of content, which every entry naming it
// would allocate and write again. Real packages hold tens of entries, each
// of at most a few hundred MiB, less than 2 GiB in all; every limit lies
// well above that. A package beyond one fails Load or the entry concerned
// with 1006.
//
// The packed map block, T - M bytes, and its declared unpacked size U:
// a real map is a few kilobytes.
constexpr uint32_t kMaxMapPackedSize = 16u << 20;
constexpr uint32_t kMaxMapUnpackedSize = 16u << 20;
// FILE chunks a map may hold in all its LISTs; each entry costs about a
// hundred bytes of memory and one job.
constexpr uint32_t kMaxMapEntries = 65536;
// The declared unpacked size U of one entry's block, held in memory whole
// while the entry is extracted.
constexpr uint32_t kMaxEntryUnpackedSize = 1u << 30;
// What extracting the whole package writes, as the map and the blocks'
// headers declare it: per entry, U for each unpacked file it writes (the
// name's unless it is kept packed, and the extra name's) and the stored size
// for a file kept packed. Bounds the disk a package can fill when many
// entries name one small block declaring a large U.
constexpr uint64_t kMaxPackageExtractedSize = 8ull << 30;

}  // namespace krv::sfxarc
