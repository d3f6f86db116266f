#include "sfxarc/signature/content_digest.h"

#include "sfxarc/signature/md5.h"
#include "sfxarc/signature/sha256.h"

namespace krv::signature {
namespace {

// Offsets of the PE rule: the smallest content it applies to, and the
// CheckSum field's place relative to e_lfanew.
constexpr size_t kPeRuleMinimum = 248;
constexpr size_t kCheckSumOffset = 88;
constexpr size_t kCheckSumSize = 4;

}  // namespace

void Sha256WithPeRule(const uint8_t* content, size_t n, uint8_t digest[32]) {
  Sha256 sha;
  if (n >= kPeRuleMinimum && content[0] == 'M' && content[1] == 'Z') {
    const uint32_t pe = uint32_t(content[60]) | uint32_t(content[61]) << 8 | uint32_t(content[62]) << 16 |
                        uint32_t(content[63]) << 24;
    if (n - kPeRuleMinimum >= pe) {
      static constexpr uint8_t kZeros[kCheckSumSize] = {};
      const size_t checksum = size_t(pe) + kCheckSumOffset;
      sha.Update(content, checksum);
      sha.Update(kZeros, kCheckSumSize);
      sha.Update(content + checksum + kCheckSumSize, n - checksum - kCheckSumSize);
      sha.Final(digest);
      return;
    }
  }
  sha.Update(content, n);
  sha.Final(digest);
}

void Md5OfFilteredContent(const uint8_t* content, size_t n, uint8_t digest[16]) {
  Md5 md5;
  uint8_t kept[4096];
  size_t count = 0;
  for (size_t i = 0; i < n; ++i) {
    // Compared as a signed byte: 0x80-0xFF are negative and go with the
    // control bytes.
    if (static_cast<int8_t>(content[i]) < 0x20) continue;
    kept[count++] = content[i];
    if (count == sizeof kept) {
      md5.Update(kept, count);
      count = 0;
    }
  }
  md5.Update(kept, count);
  md5.Final(digest);
}

size_t ContentDigest(SignatureForm form, const uint8_t* content, size_t n, uint8_t digest[32]) {
  switch (form) {
    case SignatureForm::kRawV2:
    case SignatureForm::kTextV2:
      Sha256WithPeRule(content, n, digest);
      return 32;
    case SignatureForm::kRawV1:
      Md5::Digest(content, n, digest);
      return 16;
    case SignatureForm::kTextV1:
    case SignatureForm::kChecksum:
      Md5OfFilteredContent(content, n, digest);
      return 16;
  }
  return 0;
}

}  // namespace krv::signature
