#pragma once
// Package signatures: finding the signature block at the end of a signed file
// and checking it against the built-in DSA public keys, or, for the checksum
// form, against an MD5 digest. Forms, modes and block layouts:
// sfxarc/signature/forms.h.
//
// Every function here writes no log lines and reports failure as a plain
// false: an unreadable file, no block of a located form, a block without its
// opening tag, a form the mode does not accept, or a check that fails all end
// the same way; callers report.

#include <cstddef>
#include <cstdint>
#include <string>

#include "sfxarc/signature/byte_source.h"
#include "sfxarc/signature/forms.h"

namespace krv::signature {

struct SignatureLocation {
  SignatureForm form = SignatureForm::kRawV2;
  // P: where the block starts, which is also the length of the content it
  // covers (bytes 0 to P).
  uint64_t position = 0;
  // The signature's bytes (r then s), or the stored digest of the checksum form.
  uint8_t signature[kMaxSignatureSize] = {};
  size_t signature_size = 0;
};

struct VerifyResult {
  SignatureLocation location;
  int key_number = 0;  // the built-in key that verified; 0 for the checksum form
  // The digest of the content the check used (SHA-256 or MD5).
  uint8_t digest[32] = {};
  size_t digest_size = 0;
};

// Finds the signature block of the file at path as mode demands (modes 1, 2
// and 4: raw forms at the end or at the PE end, then text forms behind which
// only white space and " -->" may follow; modes 1 and 3: the checksum form).
// Reads only a few hundred bytes at the end and the PE headers. False when the
// file cannot be opened, the mode is not one of 1-4, or no block is found;
// *out is then undefined.
bool LocateSignature(const std::wstring& path, VerifyMode mode, SignatureLocation* out);

// True when the file at path carries a block that mode accepts and that
// verifies: DSA with built-in keys 5, 6, 7 (forms 5, 4: SHA-256 with the PE
// rule), 2, 1, 3 (form 1: MD5) or 2, 3, 1 (form 0: MD5 of the filtered
// content), or the MD5 of the filtered content for form 2. In mode 2 a file
// carrying form 4 or 5 is checked as in mode 4. The content (below 4 GiB) is
// read once, in windows of kHashWindow bytes (content_digest.h), so neither
// the file's length nor the process's address space matters; a read that
// fails or comes short (the file was cut meanwhile) fails the check. With
// result given, it receives the details: all of them when the check passes;
// on failure the location when a block was found.
bool VerifySignature(const std::wstring& path, VerifyMode mode, VerifyResult* result = nullptr);

// The same over a file the caller reads through its own object (the archive
// reader verifies the very file object it extracts from).
bool LocateSignatureIn(ByteSource& source, VerifyMode mode, SignatureLocation* out);
bool VerifySignatureIn(ByteSource& source, VerifyMode mode, VerifyResult* result = nullptr);

// The same over a file image in memory (size bytes at image, owned by the
// caller).
bool LocateSignatureInImage(const uint8_t* image, size_t size, VerifyMode mode, SignatureLocation* out);
bool VerifySignatureInImage(const uint8_t* image, size_t size, VerifyMode mode, VerifyResult* result = nullptr);

}  // namespace krv::signature
