#pragma once
// The digests that signatures cover, shared by the verifier and the signer.
// A content is hashed in one pass, piece by piece, so that a file is read in
// windows of a fixed size whatever its length.

#include <cstddef>
#include <cstdint>

#include "sfxarc/signature/forms.h"
#include "sfxarc/signature/md5.h"
#include "sfxarc/signature/sha256.h"

namespace krv::signature {

class ByteSource;

// The digest a form signs (or, for the checksum form, carries), over a
// content fed in order:
//  - forms 5 and 4: SHA-256 under the PE rule: when the content is at least
//    248 bytes, starts with "MZ" and its length minus 248 is at least
//    e_lfanew (u32 at 60), the four bytes at e_lfanew + 88 (the optional
//    header's CheckSum, which signing tools rewrite) are hashed as zeros;
//  - form 1: MD5 of the content;
//  - forms 0 and 2: MD5 of the content without its bytes outside 0x20-0x7F
//    (line ends, other control bytes and every byte of 0x80 or above), so
//    that a text file keeps its digest when its line ends or code page change.
// The bytes of a content's start that ContentHasher reads the PE rule from.
constexpr size_t kContentHeadSize = 64;

class ContentHasher {
 public:
  // The PE rule needs the content's length and e_lfanew before the first
  // byte: `head` holds the content's first min(length, kContentHeadSize)
  // bytes.
  ContentHasher(SignatureForm form, uint64_t length, const uint8_t* head, size_t head_size);

  // The next `n` bytes of the content.
  void Update(const uint8_t* data, size_t n);

  // Writes the digest to `digest` (room for 32 bytes) and returns its length
  // (32 or 16). Only once.
  size_t Final(uint8_t digest[32]);

 private:
  SignatureForm form_;
  Sha256 sha_;
  Md5 md5_;
  uint64_t fed_ = 0;
  // Where the four bytes hashed as zeros start; UINT64_MAX when none are.
  uint64_t zeroed_at_ = UINT64_MAX;
};

// ContentHasher over the `n` bytes at content, in one call.
size_t ContentDigest(SignatureForm form, const uint8_t* content, size_t n, uint8_t digest[32]);

// The bytes a file is read in while it is hashed: one buffer of this size is
// used again for every window, so hashing needs this much memory whatever the
// file's length.
constexpr uint32_t kHashWindow = 1u << 20;

// Feeds bytes [from, to) of source to hasher, read in windows of kHashWindow
// bytes into one buffer. False when the buffer cannot be had or a read fails
// or comes short (the file was cut or cannot be read): the hasher then holds
// a part of the range.
bool HashSourceRange(ByteSource& source, uint64_t from, uint64_t to, ContentHasher* hasher);

// The digest of form over the first n bytes of source (n >= 1), as
// ContentDigest over those bytes in memory; writes it to digest and its
// length to *digest_size. False when a read fails or comes short.
bool SourceContentDigest(ByteSource& source, SignatureForm form, uint64_t n, uint8_t digest[32],
                         size_t* digest_size);

}  // namespace krv::signature
