#pragma once
// Making signature blocks (host side: sfxtool and the tests' golden files).
// The block of a form over some content is what VerifySignature checks: put
// it right behind the content (SignFile does that for a file on disk).

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "sfxarc/signature/forms.h"
#include "sfxarc/signature/key_file.h"

namespace krv::signature {

enum class SignStatus {
  kOk,
  kKeyNotAllowed,   // the key number is not one the form is verified with
  kNoPrivateKey,    // the key set lacks that key or its private half
  kKeyMismatch,     // the signature does not verify with the key's own public half
  kSigningFailed,   // the key's values are unusable
  kEmptyContent,    // nothing to sign: a block must cover at least one byte
  kContentTooLarge, // 4 GiB or more
  kCannotRead,      // the file cannot be opened or read
  kCannotWrite,     // the block cannot be appended (the file is left as it was)
  kCertificateTable,  // a PE file that already carries a certificate table
  kNotPe,             // an Authenticode reservation asked for a file that is no PE file
  kReservedWordsInUse,  // the DOS header's reserved words, where the reservation is recorded, hold other data
};

// A short English description, e.g. for sfxtool's messages.
const char* SignStatusText(SignStatus status);

// The key number a form is signed with when the caller names none: the first
// the verifier tries (5 for forms 5 and 4, 2 for forms 1 and 0); 0 for the
// checksum form.
int DefaultSigningKey(SignatureForm form);

// Writes into *block the signature block of form over content[0, n): the
// raw forms as signature bytes and closing tag, the text forms as opening
// tag, lower-case hexadecimal digits and closing tag, the checksum form as its
// tags around the MD5 of the filtered content. The DSA forms sign with key
// key_number of keys (0: DefaultSigningKey), which must be one the form is
// verified with; the signature is deterministic (RFC 6979) and checked against
// the key's public half before it is returned. The checksum form takes no key
// (key_number must be 0, keys is not used). On failure *block is empty.
SignStatus MakeSignatureBlock(SignatureForm form, const uint8_t* content, size_t n, const DsaKeySet& keys,
                              int key_number, std::vector<uint8_t>* block);

// Appends the signature block of form over the whole file at path, as
// MakeSignatureBlock makes it, so that the file verifies afterwards. A file
// that already ends in a block gets a second one, which covers the first (a
// form 1 block behind a form 5 block is how a file serves both generations).
// Refuses a PE file with a certificate table (kCertificateTable): sign first,
// then add the Authenticode signature. On any failure the file keeps its
// size and bytes.
SignStatus SignFile(const std::wstring& path, SignatureForm form, const DsaKeySet& keys, int key_number);

// Prepares a PE image in memory for an Authenticode signature that follows
// our block. The second-generation digest covers the PE's security directory
// entry, which the Authenticode tool fills in; so the content is signed as it
// will read then: the entry holding a certificate table of table_size bytes
// at the first multiple of 8 behind the block (where the tools put it, with
// zero padding). Writes the reservation record (pe_end.h) into *image, whose
// entry stays 0 for the tool, and makes in *block the block over the image
// as it will read with the table; append the block to *image. The result
// verifies once the tool has added a table of exactly table_size bytes, not
// before and not with another size. The size is the same for every signing
// with one certificate and the same tool options; take it from a trial
// signature of a copy. kNotPe for an image that is not a PE file;
// kCertificateTable when its entry is already set; kReservedWordsInUse when
// its DOS header's reserved words hold something else; otherwise as MakeSignatureBlock. On
// failure *image is as it was and *block is empty.
SignStatus ReserveForAuthenticode(SignatureForm form, std::vector<uint8_t>* image, const DsaKeySet& keys,
                                  int key_number, uint32_t table_size, std::vector<uint8_t>* block);

// SignFile for a PE file that gets an Authenticode signature afterwards
// (ReserveForAuthenticode): writes the reservation record into the file's DOS
// header and appends the block. A table_size of 0 amounts to SignFile. On any
// failure the file keeps its size and bytes.
SignStatus SignFileForAuthenticode(const std::wstring& path, SignatureForm form, const DsaKeySet& keys,
                                   int key_number, uint32_t table_size);

}  // namespace krv::signature
