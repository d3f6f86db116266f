#include "log/log_scrambler.h"

#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "log/log_random.h"

namespace krv::log {
namespace {

// Reads the scrambled form back: Base64 decoding and the XOR step.
std::string unscramble(const std::string& scrambled) {
  static const std::string kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  EXPECT_EQ(scrambled.substr(0, 1), "~");
  std::string bytes;
  uint32_t bits = 0;
  int count = 0;
  for (char c : scrambled.substr(1)) {
    if (c == '=') break;
    size_t value = kAlphabet.find(c);
    EXPECT_NE(value, std::string::npos) << c;
    bits = bits << 6 | static_cast<uint32_t>(value);
    count += 6;
    if (count >= 8) {
      count -= 8;
      bytes.push_back(static_cast<char>(bits >> count));
    }
  }
  for (size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<char>(bytes[i] ^ kScrambleKey[i % 16]);
  return bytes;
}

// A source that gives 8 % 5 = 3 letters: 'a' + 0, 'a' + 24, 'a' + 26 % 25.
uint32_t fixed_random() {
  static thread_local uint32_t calls = 0;
  static const uint32_t kValues[] = {8, 0, 24, 26};
  return kValues[calls++ % 4];
}

TEST(LogScrambler, ScrambledTextReadsBackToPrefixAndIndentedMessage) {
  ScopedLogRandom random(&fixed_random);
  std::string scrambled = scramble_message("line one\r\nline two %d");
  EXPECT_EQ(scrambled.find('%'), std::string::npos);
  EXPECT_EQ(unscramble(scrambled), "ayb line one\n" + std::string(64, ' ') + "line two %d");
}

TEST(LogScrambler, PaddingCoversEveryLengthModuloThree) {
  ScopedLogRandom random([]() -> uint32_t { return 0; });  // no letters: the prefix is one space
  const std::string messages[] = {"", "a", "ab", "abc"};
  for (const std::string& message : messages) {
    std::string scrambled = scramble_message(message);
    EXPECT_EQ((scrambled.size() - 1) % 4, 0u);
    EXPECT_EQ(unscramble(scrambled), " " + message);
  }
}

TEST(LogRandom, UuidIsVersionFourInLowerCase) {
  std::regex form("[0-9a-f]{8}-[0-9a-f]{4}-4[0-9a-f]{3}-[89ab][0-9a-f]{3}-[0-9a-f]{12}");
  {
    ScopedLogRandom random([]() -> uint32_t { return 0xFFFFFFFF; });
    EXPECT_EQ(random_uuid(), "ffffffff-ffff-4fff-bfff-ffffffffffff");
  }
  std::string first = random_uuid();
  EXPECT_TRUE(std::regex_match(first, form)) << first;
  EXPECT_NE(random_uuid(), first);
}

}  // namespace
}  // namespace krv::log
