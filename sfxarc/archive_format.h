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

}  // namespace krv::sfxarc
