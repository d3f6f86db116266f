// krv_hash_file sha256|md5 FILE: the digest of a whole file, read and hashed
// as the signature check reads and hashes a package's content (windows of
// kHashWindow bytes into one buffer). For bench/hash_bench.sh, beside
// openssl dgst; prints the digest in lower-case hex as openssl does.

#include <cstdio>
#include <cstring>
#include <string>

#include "log/utf8_text.h"
#include "sfxarc/signature/byte_source.h"
#include "sfxarc/signature/content_digest.h"
#include "sfxarc/signature/hex.h"

int main(int argc, char** argv) {
  using krv::signature::SignatureForm;
  if (argc != 3 || (std::strcmp(argv[1], "sha256") != 0 && std::strcmp(argv[1], "md5") != 0)) {
    std::fprintf(stderr, "usage: krv_hash_file sha256|md5 FILE\n");
    return 2;
  }
  // Form 5 hashes SHA-256 (plain for a file that is not a PE image), form 1
  // plain MD5.
  const SignatureForm form = std::strcmp(argv[1], "sha256") == 0 ? SignatureForm::kRawV2 : SignatureForm::kRawV1;
  krv::signature::FileByteSource source(krv::log::wide_from_utf8(argv[2]));
  if (!source.Open()) {
    std::fprintf(stderr, "cannot open %s\n", argv[2]);
    return 1;
  }
  uint8_t digest[32];
  size_t size = 0;
  if (source.Size() == 0 || !krv::signature::SourceContentDigest(source, form, source.Size(), digest, &size)) {
    std::fprintf(stderr, "cannot read %s\n", argv[2]);
    return 1;
  }
  std::printf("%s  %s\n", krv::signature::EncodeHex(digest, size).c_str(), argv[2]);
  return 0;
}
