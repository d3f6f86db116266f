#pragma once
// Why a PE file that carries, or expects, an Authenticode signature does not
// verify: the signature covers the security directory entry, so the
// certificate table must be the one reserved when the file was signed.

#include <string>

namespace krv::tools {

// For a file whose signature does not verify: a sentence that says what is
// wrong with its certificate table, or "" when the table is not the reason
// (not a PE file, no table and none reserved, or the reserved size found).
//   - reserved SIZE, no table yet: the Authenticode signature is missing;
//   - reserved R, a table of S bytes: "expected R, found S";
//   - no reservation, a table of S bytes: signed before without one.
std::string AuthenticodeMismatch(const std::string& path);

}  // namespace krv::tools
