#include "sfxarc/archive_form_policy.h"

namespace krv::sfxarc {

using krv::signature::SignatureForm;
using krv::signature::VerifyMode;

ArchiveFormPolicy BuiltInArchiveFormPolicy() {
  ArchiveFormPolicy policy;
#if defined(KRV_SECOND_GENERATION_ONLY) && KRV_SECOND_GENERATION_ONLY
  policy.first_generation = false;
#endif
  return policy;
}

ArchiveFormRule RuleForForm(const ArchiveFormPolicy& policy, SignatureForm form) {
  switch (form) {
    case SignatureForm::kRawV2:
      return {true, VerifyMode::kSecondGeneration, 72};
    case SignatureForm::kTextV2:
      return {true, VerifyMode::kSecondGeneration, 0};
    case SignatureForm::kRawV1:
      return {policy.first_generation, VerifyMode::kFirstGeneration, 48};
    case SignatureForm::kTextV1:
      return {policy.first_generation, VerifyMode::kFirstGeneration, 0};
    case SignatureForm::kChecksum:
      break;
  }
  return {false, VerifyMode::kChecksum, 0};
}

}  // namespace krv::sfxarc
