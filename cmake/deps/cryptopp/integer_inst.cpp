// Template instantiations for big integers and Montgomery arithmetic only.
#define CRYPTOPP_MANUALLY_INSTANTIATE_TEMPLATES
#define CRYPTOPP_DEFAULT_NO_DLL
#include "integer.h"
#include "algebra.h"
#include "modarith.h"
#include "nbtheory.h"
#include "eprecomp.h"
