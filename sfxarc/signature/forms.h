#pragma once
// The signature blocks a signed file can carry, the verification modes, and
// the keys each form is tried with. Shared by the locator, the verifier and
// the signer, so that all three read the layout from one place.
//
// A block covers every byte in front of it (the content, offsets 0 to P).
//   form 5  [64 bytes r||s, 32 each] "KRVSig2B"                    72 bytes
//   form 1  [40 bytes r||s, 20 each] "KRVSignd"                    48 bytes
//   form 4  "KRVSig2A" [128 hex digits of r||s] "KRVSig2A"        144 bytes
//   form 0  "KRVSignA" [80 hex digits of r||s] "KRVSignA"          96 bytes
//   form 2  "KRV_MD5a" [32 hex digits of an MD5 digest] "KRV_MD5a"  48 bytes

#include <cstddef>
#include <cstdint>

namespace krv::signature {

// The numbers are the form codes LocateSignature reports.
enum class SignatureForm : int {
  kTextV1 = 0,    // first-generation text: DSA over MD5 of the filtered content
  kRawV1 = 1,     // first-generation raw: DSA over MD5 of the content
  kChecksum = 2,  // text checksum: MD5 of the filtered content
  kTextV2 = 4,    // second-generation text: DSA over SHA-256 (PE rule)
  kRawV2 = 5,     // second-generation raw: DSA over SHA-256 (PE rule)
};

// What a caller demands of a file.
enum class VerifyMode : int {
  kAny = 1,               // raw, then text, then checksum forms; all accepted
  kFirstGeneration = 2,   // raw, then text; forms 0 and 1 (4 and 5 are checked as in mode 4)
  kChecksum = 3,          // the checksum form only
  kSecondGeneration = 4,  // raw, then text; forms 4 and 5
};

constexpr size_t kTagSize = 8;
constexpr char kTagRawV2[] = "KRVSig2B";
constexpr char kTagRawV1[] = "KRVSignd";
constexpr char kTagTextV2[] = "KRVSig2A";
constexpr char kTagTextV1[] = "KRVSignA";
constexpr char kTagChecksum[] = "KRV_MD5a";

// The largest signature a block holds (form 5 and 4: r and s of 32 bytes).
constexpr size_t kMaxSignatureSize = 64;

// Bytes of signature (or digest, for the checksum form) a block carries.
size_t SignatureSize(SignatureForm form);

// The whole block, tags included.
size_t BlockSize(SignatureForm form);

// The built-in key numbers a form is verified with, in the order tried; the
// first is the one the signer uses by default. Sets *count to 0 for the
// checksum form, which has no key.
const int* KeyOrder(SignatureForm form, size_t* count);

// True when mode accepts form (after the mode 2 switch to mode 4 for
// second-generation forms, which the caller applies).
bool ModeAccepts(VerifyMode mode, SignatureForm form);

// True for the numbers 0, 1, 2, 4 and 5.
bool IsSignatureForm(int value);

}  // namespace krv::signature
