#include "log/log_scrambler.h"

#include "log/log_line.h"
#include "runtime/random_source.h"

namespace krv::log {

const uint8_t kScrambleKey[16] = {0x5a, 0x3c, 0x96, 0x0f, 0xe1, 0x27, 0x48, 0xb3,
                                  0x6d, 0xd2, 0x19, 0x84, 0xc7, 0x7e, 0x31, 0xaa};

namespace {

// The width of the line header that continuation lines are indented by.
constexpr size_t kHeaderWidth = 64;

std::string base64(const std::string& data) {
  static const char kAlphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  std::string out;
  out.reserve((data.size() + 2) / 3 * 4);
  size_t i = 0;
  for (; i + 3 <= data.size(); i += 3) {
    uint32_t v = static_cast<uint8_t>(data[i]) << 16 | static_cast<uint8_t>(data[i + 1]) << 8 |
                 static_cast<uint8_t>(data[i + 2]);
    out += {kAlphabet[v >> 18], kAlphabet[(v >> 12) & 63], kAlphabet[(v >> 6) & 63], kAlphabet[v & 63]};
  }
  size_t rest = data.size() - i;
  if (rest == 1) {
    uint32_t v = static_cast<uint8_t>(data[i]) << 16;
    out += {kAlphabet[v >> 18], kAlphabet[(v >> 12) & 63], '=', '='};
  } else if (rest == 2) {
    uint32_t v = static_cast<uint8_t>(data[i]) << 16 | static_cast<uint8_t>(data[i + 1]) << 8;
    out += {kAlphabet[v >> 18], kAlphabet[(v >> 12) & 63], kAlphabet[(v >> 6) & 63], '='};
  }
  return out;
}

}  // namespace

std::string scramble_message(const std::string& message) {
  std::string text;
  uint64_t letters = os::random64() % 5;
  for (uint64_t i = 0; i < letters; ++i) text.push_back(static_cast<char>('a' + os::random64() % 25));
  text.push_back(' ');
  std::string body = message;
  normalize_line_ends(body);
  for (char c : body) {
    text.push_back(c);
    if (c == '\n') text.append(kHeaderWidth, ' ');
  }
  for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<char>(text[i] ^ kScrambleKey[i % 16]);
  return "~" + base64(text);
}

}  // namespace krv::log
