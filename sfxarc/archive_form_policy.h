#pragma once
// Which file signature forms the archive reader takes, and how. Only forms
// made with a private key authenticate a package: the text checksum form is
// an MD5 anyone can compute, so a package carrying it is refused like one
// whose signature does not verify. A build may also refuse the first
// generation (DSA over MD5) and take second-generation packages only.

#include <cstdint>

#include "sfxarc/signature/forms.h"

namespace krv::sfxarc {

struct ArchiveFormPolicy {
  // Form 1 (first-generation raw) packages are taken.
  bool first_generation = true;
};

// The policy this build was configured with: the CMake option
// KRV_SECOND_GENERATION_ONLY clears first_generation.
ArchiveFormPolicy BuiltInArchiveFormPolicy();

// How the archive reader treats a located form.
struct ArchiveFormRule {
  // False: refused as unverified, whatever the block holds.
  bool keyed;
  // The mode the block is verified in.
  krv::signature::VerifyMode mode;
  // The block's size as the archive counts it; 0 for a form that verifies
  // but that the archive does not take (the text DSA forms).
  uint32_t block_size;
};

// The rule for `form` under `policy`: form 5 verified in mode 4, 72 bytes;
// form 1 in mode 2, 48 bytes, keyed only when the policy takes the first
// generation; forms 4 and 0 verified (modes 4 and 2; form 0 keyed as form
// 1) but of block size 0; form 2 never keyed.
ArchiveFormRule RuleForForm(const ArchiveFormPolicy& policy, krv::signature::SignatureForm form);

}  // namespace krv::sfxarc
