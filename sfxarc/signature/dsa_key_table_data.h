#pragma once
// Internal to the key table: the array that CMake generates from the key file
// (sfxarc/signature/embed_keys.cmake).

#include "sfxarc/signature/dsa_key_table.h"

namespace krv::signature::internal {

// Keys 1 to 14 at indexes 0 to 13.
extern const DsaPublicKey kBuiltinDsaKeys[kBuiltinDsaKeyCount];

}  // namespace krv::signature::internal
