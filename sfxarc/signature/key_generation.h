#pragma once
// Making DSA keys and the fourteen-key set (host side: sfxtool keygen and the
// development key set). Randomness comes from the system's generator through
// Crypto++'s auto-seeded pool.

#include <cstddef>

#include "sfxarc/signature/key_file.h"

namespace krv::signature {

// Makes one key with its private half. With shared given, takes its p, q and g
// and makes only a new x and y; otherwise makes new parameters with a p of
// p_bits and a q of q_bits (1024/160 or 2048/256). Values are stored at the
// full byte widths of p and q. False when the generator fails or the sizes are
// not one of those pairs; *out is then cleared.
bool GenerateDsaKey(int p_bits, int q_bits, const DsaKey* shared, DsaKey* out);

// Makes the fourteen-key set: keys 1-4 of 1024/160 bits, each with its own
// parameters; keys 5-14 of 2048/256 bits, where 5, 11, 12, 13 and 14 share one
// p, q, g and the others have their own. Takes tens of seconds. False when a
// key cannot be made; *out is then cleared.
bool GenerateKeySet(DsaKeySet* out);

}  // namespace krv::signature
