#include "sfxarc/signature/forms.h"

namespace krv::signature {

size_t SignatureSize(SignatureForm form) {
  switch (form) {
    case SignatureForm::kRawV2:
    case SignatureForm::kTextV2:
      return 64;
    case SignatureForm::kRawV1:
    case SignatureForm::kTextV1:
      return 40;
    case SignatureForm::kChecksum:
      return 16;
  }
  return 0;
}

size_t BlockSize(SignatureForm form) {
  switch (form) {
    case SignatureForm::kRawV2:
    case SignatureForm::kRawV1:
      return SignatureSize(form) + kTagSize;
    case SignatureForm::kTextV2:
    case SignatureForm::kTextV1:
    case SignatureForm::kChecksum:
      return 2 * SignatureSize(form) + 2 * kTagSize;
  }
  return 0;
}

const int* KeyOrder(SignatureForm form, size_t* count) {
  static constexpr int kSecondGeneration[] = {5, 6, 7};
  static constexpr int kRawV1[] = {2, 1, 3};
  static constexpr int kTextV1[] = {2, 3, 1};
  switch (form) {
    case SignatureForm::kRawV2:
    case SignatureForm::kTextV2:
      *count = 3;
      return kSecondGeneration;
    case SignatureForm::kRawV1:
      *count = 3;
      return kRawV1;
    case SignatureForm::kTextV1:
      *count = 3;
      return kTextV1;
    case SignatureForm::kChecksum:
      break;
  }
  *count = 0;
  return nullptr;
}

bool ModeAccepts(VerifyMode mode, SignatureForm form) {
  switch (mode) {
    case VerifyMode::kAny:
      return true;
    case VerifyMode::kFirstGeneration:
      return form == SignatureForm::kTextV1 || form == SignatureForm::kRawV1;
    case VerifyMode::kChecksum:
      return form == SignatureForm::kChecksum;
    case VerifyMode::kSecondGeneration:
      return form == SignatureForm::kTextV2 || form == SignatureForm::kRawV2;
  }
  return false;
}

bool IsSignatureForm(int value) { return value == 0 || value == 1 || value == 2 || value == 4 || value == 5; }

}  // namespace krv::signature
