// Fuzz target: locating and verifying a file's signature block over a file
// image in memory, in every mode.

#include <cstddef>
#include <cstdint>
#include <vector>

#include "sfxarc/signature.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using krv::signature::VerifyMode;
  // An exact-size copy: reads behind the image's end are caught.
  const std::vector<uint8_t> image(data, data + size);
  const uint8_t* bytes = image.empty() ? nullptr : image.data();
  const VerifyMode modes[] = {VerifyMode::kAny, VerifyMode::kFirstGeneration, VerifyMode::kChecksum,
                              VerifyMode::kSecondGeneration};
  for (VerifyMode mode : modes) {
    krv::signature::SignatureLocation location;
    if (!krv::signature::LocateSignatureInImage(bytes, image.size(), mode, &location)) continue;
    // Only a located block is verified: a DSA check costs about a
    // millisecond, and without a block VerifySignature stops where Locate did.
    krv::signature::VerifyResult result;
    krv::signature::VerifySignatureInImage(bytes, image.size(), mode, &result);
  }
  return 0;
}
