#pragma once
// Shared by the signature tests: the NIST/RFC vector files of Debian's
// python3-cryptography-vectors (read where the package installs them, never
// copied), the development key set, and small builders of signed files.

#include <cstdint>
#include <string>
#include <vector>

#include "sfxarc/signature/forms.h"
#include "sfxarc/signature/key_file.h"
#include "tests/sfxarc/signature_test_vectors.h"

namespace krv::signature::testing {

// keys/dev-private.keys, read once.
const DsaKeySet& DevKeys();

// The key file the build embedded (KRV_KEYS_FILE), read once.
const DsaKeySet& EmbeddedKeys();

// True when the build embedded the development keys' public halves, which
// the tests that check signed files against the built-in table need.
bool EmbeddedKeysAreDevKeys();

// Skips the calling test when EmbeddedKeysAreDevKeys is false.
#define KRV_REQUIRE_DEV_KEYS()                                                            \
  do {                                                                                  \
    if (!::krv::signature::testing::EmbeddedKeysAreDevKeys())                           \
      GTEST_SKIP() << "the build embeds other keys than keys/dev-public.keys";          \
  } while (0)

std::vector<uint8_t> Bytes(const std::string& text);

// `content` followed by its signature block of form, made with the
// development keys (key_number 0: the form's default key).
std::vector<uint8_t> Signed(const std::vector<uint8_t>& content, SignatureForm form, int key_number = 0);

// The smallest PE32 (or PE32+ for a 64-bit machine) image the locator, the PE
// rule and osslsigncode accept: DOS header with e_lfanew = 0x80, "PE\0\0",
// file header, optional header with 16 data directories, and one section of
// code-like filler from 0x200 to the end; `size` bytes in all.
std::vector<uint8_t> MakePe(uint16_t machine = 0x014c, size_t size = 4096);

// Offsets within MakePe's image.
constexpr size_t kPeOffset = 0x80;
constexpr size_t kCheckSumAt = kPeOffset + 88;
constexpr size_t kSecurityEntry32At = kPeOffset + 152;
constexpr size_t kSecurityEntry64At = kPeOffset + 168;

void PutU32(std::vector<uint8_t>& bytes, size_t at, uint32_t value);
uint32_t U32At(const std::vector<uint8_t>& bytes, size_t at);

#ifndef _WIN32
// Authenticode-signs the file `in` of `folder` into `out` there with
// osslsigncode and a throwaway self-signed certificate (folder/cert.pem and
// folder/key.pem, made by openssl on the first call for the folder), with
// `options` (words for osslsigncode's command line) added. Returns
// osslsigncode's exit status (0 on success).
int AuthenticodeSign(const std::string& folder, const std::string& in, const std::string& out,
                     const std::string& options = std::string());
#endif

}  // namespace krv::signature::testing
