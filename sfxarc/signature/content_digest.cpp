#include "sfxarc/signature/content_digest.h"

#include <algorithm>
#include <memory>
#include <new>

#include "sfxarc/signature/byte_source.h"

namespace krv::signature {
namespace {

// Offsets of the PE rule: the smallest content it applies to, where e_lfanew
// lies, and the CheckSum field's place relative to e_lfanew.
constexpr uint64_t kPeRuleMinimum = 248;
constexpr size_t kLfanewAt = 60;
constexpr uint64_t kCheckSumOffset = 88;
constexpr size_t kCheckSumSize = 4;

bool SignsSha256(SignatureForm form) { return form == SignatureForm::kRawV2 || form == SignatureForm::kTextV2; }

bool SignsFiltered(SignatureForm form) { return form == SignatureForm::kTextV1 || form == SignatureForm::kChecksum; }

// MD5 of data without the bytes outside 0x20-0x7F.
void UpdateFiltered(Md5& md5, const uint8_t* data, size_t n) {
  uint8_t kept[4096];
  size_t count = 0;
  for (size_t i = 0; i < n; ++i) {
    // Compared as a signed byte: 0x80-0xFF are negative and go with the
    // control bytes.
    if (static_cast<int8_t>(data[i]) < 0x20) continue;
    kept[count++] = data[i];
    if (count == sizeof kept) {
      md5.Update(kept, count);
      count = 0;
    }
  }
  md5.Update(kept, count);
}

}  // namespace

ContentHasher::ContentHasher(SignatureForm form, uint64_t length, const uint8_t* head, size_t head_size)
    : form_(form) {
  if (!SignsSha256(form) || length < kPeRuleMinimum || head_size < kContentHeadSize || head[0] != 'M' || head[1] != 'Z') {
    return;
  }
  const uint64_t pe = uint64_t(head[kLfanewAt]) | uint64_t(head[kLfanewAt + 1]) << 8 |
                      uint64_t(head[kLfanewAt + 2]) << 16 | uint64_t(head[kLfanewAt + 3]) << 24;
  if (length - kPeRuleMinimum >= pe) zeroed_at_ = pe + kCheckSumOffset;
}

void ContentHasher::Update(const uint8_t* data, size_t n) {
  const uint64_t start = fed_;
  fed_ += n;
  if (SignsFiltered(form_)) {
    UpdateFiltered(md5_, data, n);
    return;
  }
  if (!SignsSha256(form_)) {
    md5_.Update(data, n);
    return;
  }
  // The piece may hold some of the four zeroed bytes: hash what lies in
  // front of them, zeros for those it holds, then the rest.
  const uint64_t end = start + n;
  if (zeroed_at_ >= end || zeroed_at_ + kCheckSumSize <= start) {
    sha_.Update(data, n);
    return;
  }
  static constexpr uint8_t kZeros[kCheckSumSize] = {};
  const size_t zeros_from = size_t(std::max(zeroed_at_, start) - start);
  const size_t zeros_to = size_t(std::min(zeroed_at_ + kCheckSumSize, end) - start);
  sha_.Update(data, zeros_from);
  sha_.Update(kZeros, zeros_to - zeros_from);
  sha_.Update(data + zeros_to, n - zeros_to);
}

size_t ContentHasher::Final(uint8_t digest[32]) {
  if (SignsSha256(form_)) {
    sha_.Final(digest);
    return Sha256::kDigestSize;
  }
  md5_.Final(digest);
  return Md5::kDigestSize;
}

size_t ContentDigest(SignatureForm form, const uint8_t* content, size_t n, uint8_t digest[32]) {
  ContentHasher hasher(form, n, content, std::min(n, kContentHeadSize));
  hasher.Update(content, n);
  return hasher.Final(digest);
}

bool HashSourceRange(ByteSource& source, uint64_t from, uint64_t to, ContentHasher* hasher) {
  if (from >= to) return true;
  const uint64_t length = to - from;
  const uint32_t window = length < kHashWindow ? uint32_t(length) : kHashWindow;
  std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[window]);
  if (!buffer) return false;
  for (uint64_t at = from; at < to;) {
    const uint32_t n = to - at < window ? uint32_t(to - at) : window;
    if (!source.ReadAt(at, buffer.get(), n)) return false;
    hasher->Update(buffer.get(), n);
    at += n;
  }
  return true;
}

bool SourceContentDigest(ByteSource& source, SignatureForm form, uint64_t n, uint8_t digest[32],
                         size_t* digest_size) {
  uint8_t head[kContentHeadSize];
  const uint32_t head_size = n < kContentHeadSize ? uint32_t(n) : uint32_t(kContentHeadSize);
  if (!source.ReadAt(0, head, head_size)) return false;
  ContentHasher hasher(form, n, head, head_size);
  if (!HashSourceRange(source, 0, n, &hasher)) return false;
  *digest_size = hasher.Final(digest);
  return true;
}

}  // namespace krv::signature
