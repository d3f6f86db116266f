// Template instantiations for DSA key generation and signing.
#define CRYPTOPP_MANUALLY_INSTANTIATE_TEMPLATES
#define CRYPTOPP_DEFAULT_NO_DLL
#include "gfpcrypt.h"
#include "dsa.h"
#include "osrng.h"
#include "sha.h"
#include "modes.h"
#include "rng.h"
