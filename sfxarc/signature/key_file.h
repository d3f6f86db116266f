#pragma once
// DSA key sets in the plain text key-file format shared by the build (which
// embeds the public keys), the signer and the key generator.
//
//   # comment lines and blank lines are ignored
//   key 5
//   p = <hex>
//   q = <hex>
//   g = <hex>
//   y = <hex>
//   x = <hex>          (private key files only)
//
// Numbers 1 to 14, each at most once, in any order; a file may hold only some
// of the keys. Values are big-endian, lower or upper case, at fixed widths:
// keys 1-4 have a p, g and y of 128 bytes and a q and x of 20 bytes; keys 5-14
// have 256 and 32 bytes.

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "sfxarc/signature/dsa_verify.h"

namespace krv::signature {

struct DsaKey {
  std::vector<uint8_t> p, q, g, y;
  std::vector<uint8_t> x;  // the private half; empty when the file had none

  bool present() const { return !p.empty(); }
  bool has_private() const { return !x.empty(); }
  // A view of p, q, g, y; valid while this object is alive and unchanged.
  DsaPublicKey public_key() const;
};

struct DsaKeySet {
  std::array<DsaKey, 14> keys;  // index = key number - 1

  // The key of that number, or null when the number is outside 1 to 14 or the
  // set does not hold it.
  const DsaKey* Find(int number) const;
};

enum class KeyFileStatus {
  kOk,
  kCannotOpen,     // the file cannot be opened or read
  kCannotWrite,    // the file cannot be created or written
  kBadLine,        // a line that is neither a comment, "key N" nor "name = hex"
  kBadKeyNumber,   // a number outside 1 to 14, or one given twice
  kFieldOutsideKey,  // a value before the first "key N" line
  kDuplicateField,
  kBadHex,         // an odd number of digits or a character that is no digit
  kMissingField,   // a key without one of p, q, g, y
  kWrongSize,      // a value whose width is not the one of its key number
};

// A short English description, e.g. for sfxtool's messages.
const char* KeyFileStatusText(KeyFileStatus status);

// The byte widths of key number n (1 to 14): p, g and y; q and x.
size_t KeyModulusSize(int number);
size_t KeySubgroupSize(int number);

// Parses key-file text into *out (cleared first). On failure returns the
// reason, sets *line (when given) to the 1-based line it was found at (0 for a
// missing field, found at the end) and leaves *out cleared.
KeyFileStatus ParseKeyText(const std::string& text, DsaKeySet* out, int* line);

// Reads and parses a key file; as ParseKeyText, plus kCannotOpen.
KeyFileStatus ReadKeyFile(const std::wstring& path, DsaKeySet* out, int* line);

// The text of a key file holding the present keys of set, with the private
// halves when include_private is set, after the comment lines of header (each
// line of it prefixed with "# ").
std::string FormatKeyText(const DsaKeySet& set, bool include_private, const std::string& header);

// Writes FormatKeyText's result to path (created or truncated).
KeyFileStatus WriteKeyFile(const std::wstring& path, const DsaKeySet& set, bool include_private,
                           const std::string& header);

}  // namespace krv::signature
