// The fuzz build's stand-in for the archive's file signature check: every
// file carries a second-generation raw block in its last 72 bytes, and
// every block verifies. Linked into fuzz_package in place of
// sfxarc/archive_signature.cpp (the library's definition is then not
// taken), so that the archive code behind the check sees whatever bytes
// the fuzzer makes.

#include "log/write_log.h"
#include "sfxarc/archive_signature.h"
#include "sfxarc/sfx_arc.h"
#include "sfxarc/sfxarc_log.h"

namespace krv::sfxarc {

namespace {

// The size of a second-generation raw signature block.
constexpr uint32_t kRawV2BlockSize = 72;

}  // namespace

uint32_t CheckArchiveSignature(CUFile& file, const ArchiveFormPolicy&, ArchiveSignature* out) {
  const uint32_t size = file.GetSize();
  if (size < kRawV2BlockSize) {
    krv::log::write_log(krv::log::kError, ArchiveLogCategory(), L"Cannot get signature of archive '%ls' (code 0x%x)",
                        file.path().c_str(), 0u);
    return kArchiveDamaged;
  }
  out->content_end = size - kRawV2BlockSize;
  out->block_size = kRawV2BlockSize;
  return 0;
}

}  // namespace krv::sfxarc
