#pragma once
// The fourteen DSA public keys built into the program. Their values come from
// the key file chosen when the build is configured (KRV_KEYS_FILE); CMake
// writes them into a generated source file.

#include "sfxarc/signature/dsa_verify.h"

namespace krv::signature {

constexpr int kBuiltinDsaKeyCount = 14;

// Built-in key number key_number; any number outside 2 to 14 selects key 1.
// The bytes live in read-only data for the whole run.
const DsaPublicKey& BuiltinDsaKey(int key_number);

}  // namespace krv::signature
