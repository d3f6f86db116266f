#pragma once
// Internal to the signature module: locating and verifying over any byte
// source; signature.h wraps these for paths and memory images.

#include "sfxarc/signature.h"
#include "sfxarc/signature/byte_source.h"

namespace krv::signature::internal {

bool LocateIn(ByteSource& source, VerifyMode mode, SignatureLocation* out);
bool VerifyIn(ByteSource& source, VerifyMode mode, VerifyResult* result);

}  // namespace krv::signature::internal
