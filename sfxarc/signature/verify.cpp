// VerifySignature: checking a located signature block.

#include "sfxarc/signature.h"

#include <cstring>

#include "sfxarc/signature/content_digest.h"
#include "sfxarc/signature/dsa_verify.h"

namespace krv::signature {
namespace {

// This format's positions stop at 4 GiB.
constexpr uint64_t kMaxContent = uint64_t(1) << 32;

}  // namespace

bool VerifySignatureIn(ByteSource& source, VerifyMode mode, VerifyResult* result) {
  VerifyResult local;
  VerifyResult& r = result ? *result : local;
  r = VerifyResult();
  SignatureLocation& location = r.location;
  if (!LocateSignatureIn(source, mode, &location)) return false;
  const SignatureForm form = location.form;
  if (mode == VerifyMode::kFirstGeneration && (form == SignatureForm::kRawV2 || form == SignatureForm::kTextV2)) {
    mode = VerifyMode::kSecondGeneration;
  }
  if (!ModeAccepts(mode, form)) return false;
  // A block at offset 0 covers nothing; there is no content to vouch for.
  if (location.position == 0 || location.position >= kMaxContent) return false;

  uint8_t digest[32];
  size_t digest_size = 0;
  if (!SourceContentDigest(source, form, location.position, digest, &digest_size)) return false;

  int verified_by = 0;
  if (form == SignatureForm::kChecksum) {
    if (std::memcmp(digest, location.signature, digest_size) != 0) return false;
  } else {
    size_t count = 0;
    const int* keys = KeyOrder(form, &count);
    for (size_t i = 0; i < count && verified_by == 0; ++i) {
      if (DsaVerify(digest, digest_size, location.signature, location.signature_size, keys[i])) {
        verified_by = keys[i];
      }
    }
    if (verified_by == 0) return false;
  }
  r.key_number = verified_by;
  std::memcpy(r.digest, digest, digest_size);
  r.digest_size = digest_size;
  return true;
}

bool VerifySignature(const std::wstring& path, VerifyMode mode, VerifyResult* result) {
  FileByteSource source(path);
  return source.Open() && VerifySignatureIn(source, mode, result);
}

bool VerifySignatureInImage(const uint8_t* image, size_t size, VerifyMode mode, VerifyResult* result) {
  MemoryByteSource source(image, size);
  return VerifySignatureIn(source, mode, result);
}

}  // namespace krv::signature
