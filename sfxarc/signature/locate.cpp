// LocateSignature: finding the signature block at the end of a file.

#include "sfxarc/signature.h"

#include <cstring>

#include "sfxarc/signature/hex.h"
#include "sfxarc/signature/pe_end.h"

namespace krv::signature {
namespace {

// The text search moves its window back at most this many single bytes (the
// 4-byte steps over a comment closer " -->" are not counted); the checksum
// search looks at this many window positions. White space and comment closers
// after a signature are all they are meant to skip.
constexpr int kTextSearchSteps = 120;
constexpr int kChecksumSearchPositions = 100;
constexpr char kCommentCloser[] = " -->";

bool TagAt(ByteSource& source, uint64_t offset, const char* tag) {
  char window[kTagSize];
  return source.ReadAt(offset, window, kTagSize) && std::memcmp(window, tag, kTagSize) == 0;
}

// Reads the block of form whose signature bytes start at position.
bool ReadRawSignature(ByteSource& source, SignatureForm form, uint64_t position, SignatureLocation* out) {
  out->form = form;
  out->position = position;
  out->signature_size = SignatureSize(form);
  return source.ReadAt(position, out->signature, uint32_t(out->signature_size));
}

// Looks for tag `back` bytes before the end of the file and, failing that,
// before the PE end when that differs; `block` bytes must fit in front of each
// end. Sets *tag_at.
bool ProbeRawTag(ByteSource& source, uint64_t pe_end, const char* tag, uint64_t back, uint64_t block,
                 uint64_t* tag_at) {
  const uint64_t size = source.Size();
  if (size < block) return false;
  if (TagAt(source, size - back, tag)) {
    *tag_at = size - back;
    return true;
  }
  if (pe_end != size && pe_end >= block && TagAt(source, pe_end - back, tag)) {
    *tag_at = pe_end - back;
    return true;
  }
  return false;
}

enum class Search { kFound, kNotFound, kFailed };

Search LocateRaw(ByteSource& source, SignatureLocation* out) {
  const uint64_t pe_end = PeEnd(source);
  const uint64_t v2 = BlockSize(SignatureForm::kRawV2);
  const uint64_t v1 = BlockSize(SignatureForm::kRawV1);
  uint64_t tag_at = 0;
  // A second-generation block at the end, or followed by one first-generation
  // block.
  if (ProbeRawTag(source, pe_end, kTagRawV2, kTagSize, v2, &tag_at) ||
      ProbeRawTag(source, pe_end, kTagRawV2, kTagSize + v1, v2 + v1, &tag_at)) {
    return ReadRawSignature(source, SignatureForm::kRawV2, tag_at - 64, out) ? Search::kFound : Search::kFailed;
  }
  if (ProbeRawTag(source, pe_end, kTagRawV1, kTagSize, v1, &tag_at)) {
    return ReadRawSignature(source, SignatureForm::kRawV1, tag_at - 40, out) ? Search::kFound : Search::kFailed;
  }
  return Search::kNotFound;
}

// Reads a text block of form whose closing tag is at closing_at: the opening
// tag must stand BlockSize - 8 bytes before it and the digits between must
// all be hexadecimal.
bool ReadTextBlock(ByteSource& source, SignatureForm form, const char* tag, uint64_t closing_at,
                   SignatureLocation* out) {
  const uint64_t block = BlockSize(form);
  if (closing_at < block - kTagSize) return false;
  char text[144];
  const uint64_t position = closing_at - (block - kTagSize);
  if (!source.ReadAt(position, text, uint32_t(block)) || std::memcmp(text, tag, kTagSize) != 0) return false;
  out->form = form;
  out->position = position;
  out->signature_size = SignatureSize(form);
  return DecodeHex(text + kTagSize, out->signature_size, out->signature);
}

bool LocateText(ByteSource& source, SignatureLocation* out) {
  const uint64_t size = source.Size();
  if (size < BlockSize(SignatureForm::kTextV1)) return false;
  uint64_t at = size - kTagSize;
  int steps = 0;
  for (;;) {
    char window[kTagSize];
    if (!source.ReadAt(at, window, kTagSize)) return false;
    if (std::memcmp(window + 4, kCommentCloser, 4) == 0) {
      if (at < 4) return false;
      at -= 4;
      continue;
    }
    if (std::memcmp(window, kTagTextV2, kTagSize) == 0) {
      return ReadTextBlock(source, SignatureForm::kTextV2, kTagTextV2, at, out);
    }
    if (std::memcmp(window, kTagTextV1, kTagSize) == 0) {
      return ReadTextBlock(source, SignatureForm::kTextV1, kTagTextV1, at, out);
    }
    if (static_cast<uint8_t>(window[kTagSize - 1]) > 0x20) return false;
    if (steps == kTextSearchSteps || at == 0) return false;
    ++steps;
    --at;
  }
}

bool LocateChecksum(ByteSource& source, SignatureLocation* out) {
  const uint64_t size = source.Size();
  if (size < kTagSize) return false;
  uint64_t at = size - kTagSize;
  for (int i = 0; i < kChecksumSearchPositions; ++i, --at) {
    if (TagAt(source, at, kTagChecksum)) {
      // Found the closing tag: the opening one must be in place, or the
      // search ends here.
      return ReadTextBlock(source, SignatureForm::kChecksum, kTagChecksum, at, out);
    }
    if (at == 0) break;
  }
  return false;
}

}  // namespace

bool LocateSignatureIn(ByteSource& source, VerifyMode mode, SignatureLocation* out) {
  switch (mode) {
    case VerifyMode::kAny:
    case VerifyMode::kFirstGeneration:
    case VerifyMode::kSecondGeneration:
      switch (LocateRaw(source, out)) {
        case Search::kFound:
          return true;
        case Search::kFailed:
          return false;
        case Search::kNotFound:
          break;
      }
      if (LocateText(source, out)) return true;
      return mode == VerifyMode::kAny && LocateChecksum(source, out);
    case VerifyMode::kChecksum:
      return LocateChecksum(source, out);
  }
  return false;
}

bool LocateSignature(const std::wstring& path, VerifyMode mode, SignatureLocation* out) {
  FileByteSource source(path);
  return source.Open() && LocateSignatureIn(source, mode, out);
}

bool LocateSignatureInImage(const uint8_t* image, size_t size, VerifyMode mode, SignatureLocation* out) {
  MemoryByteSource source(image, size);
  return LocateSignatureIn(source, mode, out);
}

}  // namespace krv::signature
