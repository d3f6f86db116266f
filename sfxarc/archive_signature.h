#pragma once
// The archive's file signature check, over the archive file the reader holds
// open. It is alone in its translation unit so that a fuzzing build can link
// another definition in its place.

#include <cstdint>

#include "sfxarc/archive_form_policy.h"
#include "sfxarc/u_file.h"

namespace krv::sfxarc {

struct ArchiveSignature {
  // E: where the file signature block starts; the archive lies below it.
  uint32_t content_end = 0;
  // The block's size as the archive counts it (72 or 48).
  uint32_t block_size = 0;
};

// Locates the file signature of the open `file` (any form), verifies it and
// applies `policy` (archive_form_policy.h), reading only through `file`, so
// that the bytes checked are the bytes read afterwards. Returns 0 and fills
// *out, or kArchiveDamaged (1006) after one error line in category "sfxarc"
// naming file.path():
//   "Cannot get signature of archive '%ls' (code 0x0)"  no block of any form
//   "Error in signature of archive '%ls' (code 0x0)"    a form that is not
//       keyed under the policy (always the checksum form), or a block that
//       does not verify
//   "Unknown signature type of archive '%ls'"           a verified text form
// On failure *out is unchanged. Moves the file's position.
uint32_t CheckArchiveSignature(CUFile& file, const ArchiveFormPolicy& policy, ArchiveSignature* out);

}  // namespace krv::sfxarc
