#include "sfxarc/archive_signature.h"

#include "log/write_log.h"
#include "sfxarc/archive_file_source.h"
#include "sfxarc/sfx_arc.h"
#include "sfxarc/sfxarc_log.h"

namespace krv::sfxarc {

uint32_t CheckArchiveSignature(CUFile& file, const ArchiveFormPolicy& policy, ArchiveSignature* out) {
  const krv::log::LogCategory& category = ArchiveLogCategory();
  const wchar_t* name = file.path().c_str();
  ArchiveFileSource source(file);

  krv::signature::SignatureLocation location;
  if (!krv::signature::LocateSignatureIn(source, krv::signature::VerifyMode::kAny, &location)) {
    krv::log::write_log(krv::log::kError, category, L"Cannot get signature of archive '%ls' (code 0x%x)", name, 0u);
    return kArchiveDamaged;
  }
  const ArchiveFormRule rule = RuleForForm(policy, location.form);
  // The verifier locates the block again in the rule's mode; it must be the
  // block found above.
  krv::signature::VerifyResult verified;
  if (!rule.keyed || !krv::signature::VerifySignatureIn(source, rule.mode, &verified) ||
      verified.location.position != location.position) {
    krv::log::write_log(krv::log::kError, category, L"Error in signature of archive '%ls' (code 0x%x)", name, 0u);
    return kArchiveDamaged;
  }
  if (rule.block_size == 0) {
    krv::log::write_log(krv::log::kError, category, L"Unknown signature type of archive '%ls'", name);
    return kArchiveDamaged;
  }
  // The file object holds less than 2 GiB, so P fits.
  out->content_end = static_cast<uint32_t>(location.position);
  out->block_size = rule.block_size;
  return 0;
}

}  // namespace krv::sfxarc
