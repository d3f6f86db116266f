#include "sfxarc/signature/hex.h"

namespace krv::signature {
namespace {

int DigitValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool DecodeHex(const char* digits, size_t n, uint8_t* out) {
  for (size_t i = 0; i < n; ++i) {
    const int high = DigitValue(digits[2 * i]);
    const int low = DigitValue(digits[2 * i + 1]);
    if (high < 0 || low < 0) return false;
    out[i] = uint8_t(high << 4 | low);
  }
  return true;
}

std::string EncodeHex(const uint8_t* data, size_t n) {
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string text(2 * n, '0');
  for (size_t i = 0; i < n; ++i) {
    text[2 * i] = kDigits[data[i] >> 4];
    text[2 * i + 1] = kDigits[data[i] & 15];
  }
  return text;
}

}  // namespace krv::signature
