#pragma once
// The digests that signatures cover, shared by the verifier and the signer.

#include <cstddef>
#include <cstdint>

#include "sfxarc/signature/forms.h"

namespace krv::signature {

// SHA-256 of content under the PE rule: when the content is at least 248
// bytes, starts with "MZ" and its length minus 248 is at least e_lfanew (u32
// at 60), the four bytes at e_lfanew + 88 (the optional header's CheckSum,
// which signing tools rewrite) are hashed as zeros; otherwise the content is
// hashed unchanged.
void Sha256WithPeRule(const uint8_t* content, size_t n, uint8_t digest[32]);

// MD5 of content without its bytes outside 0x20-0x7F (line ends, other
// control bytes and every byte of 0x80 or above), so that a text file keeps
// its digest when its line ends or code page change.
void Md5OfFilteredContent(const uint8_t* content, size_t n, uint8_t digest[16]);

// The digest form signs (or, for the checksum form, carries): written to
// digest, which must hold 32 bytes; returns its length (32 or 16).
size_t ContentDigest(SignatureForm form, const uint8_t* content, size_t n, uint8_t digest[32]);

}  // namespace krv::signature
