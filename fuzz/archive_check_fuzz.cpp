// The fuzz build's stand-in for the check of a package's file signature:
// every file carries a second-generation raw block in its last 72 bytes,
// and every block verifies. Linked into fuzz_package in place of the
// signature module's LocateSignature and VerifySignature (which then are
// not taken from the library), so that the archive code behind the check
// sees whatever bytes the fuzzer makes.

#include <sys/stat.h>

#include <string>

#include "log/utf8_text.h"
#include "sfxarc/signature.h"

namespace krv::signature {

namespace {

// The size of a second-generation raw signature block.
constexpr uint64_t kRawV2BlockSize = 72;

}  // namespace

bool LocateSignature(const std::wstring& path, VerifyMode, SignatureLocation* out) {
  struct stat status;
  if (stat(krv::log::utf8_from_wide(path.c_str()).c_str(), &status) != 0) return false;
  const uint64_t size = static_cast<uint64_t>(status.st_size);
  if (size < kRawV2BlockSize) return false;
  *out = SignatureLocation();
  out->form = SignatureForm::kRawV2;
  out->position = size - kRawV2BlockSize;
  return true;
}

bool VerifySignature(const std::wstring&, VerifyMode, VerifyResult*) { return true; }

}  // namespace krv::signature
