#pragma once
// The end of the signed data of a PE file: where an Authenticode certificate
// table (and the zero padding the signing tool puts in front of it) begins.

#include <cstdint>

#include "sfxarc/signature/byte_source.h"

namespace krv::signature {

// For a file that starts with "MZ" and whose e_lfanew (u32 at 60) points at a
// "PE\0\0" signature with a readable 20-byte file header: the certificate
// table's offset C from the security directory entry (at e_lfanew + 168 for
// the 64-bit machines 0x8664, 0x0200, 0x0284, else at e_lfanew + 152). When C
// is not 0 the result is C if C <= 7, else C minus the zero bytes in front of
// it, at most 7. In every other case it is the file's size.
uint64_t PeEnd(ByteSource& source);

// Where the security directory entry (certificate table offset, then size,
// two u32) of a PE file lies, by the rules above. False for anything that is
// not a PE file with a readable file header.
bool SecurityEntryOffset(ByteSource& source, uint64_t* offset);

}  // namespace krv::signature
