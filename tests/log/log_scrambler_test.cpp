#include "log/log_scrambler.h"

#include <gtest/gtest.h>

#include <string>

#include "log/random_uuid.h"
#include "runtime/random_source.h"
#include "log_test_support.h"

namespace krv::log {
namespace {

// A source that gives 8 % 5 = 3 letters: 'a' + 0, 'a' + 24, 'a' + 26 % 25.
uint64_t fixed_random() {
  static thread_local uint32_t calls = 0;
  static const uint64_t kValues[] = {8, 0, 24, 26};
  return kValues[calls++ % 4];
}

TEST(LogScrambler, ScrambledTextReadsBackToPrefixAndIndentedMessage) {
  os::scoped_random_source random(&fixed_random);
  std::string scrambled = scramble_message("line one\r\nline two %d");
  EXPECT_EQ(scrambled.find('%'), std::string::npos);
  EXPECT_EQ(test::unscramble(scrambled), "ayb line one\n" + std::string(64, ' ') + "line two %d");
}

TEST(LogScrambler, PaddingCoversEveryLengthModuloThree) {
  os::scoped_random_source random([]() -> uint64_t { return 0; });  // no letters: the prefix is one space
  const std::string messages[] = {"", "a", "ab", "abc"};
  for (const std::string& message : messages) {
    std::string scrambled = scramble_message(message);
    EXPECT_EQ((scrambled.size() - 1) % 4, 0u);
    EXPECT_EQ(test::unscramble(scrambled), " " + message);
  }
}

TEST(RandomUuid, UuidIsVersionFourInLowerCase) {
  // "xxxxxxxx-xxxx-4xxx-yxxx-xxxxxxxxxxxx", y one of 8 9 a b.
  auto has_form = [](const std::string& uuid) {
    if (uuid.size() != 36 || uuid[14] != '4' || std::string("89ab").find(uuid[19]) == std::string::npos) return false;
    for (size_t i = 0; i < uuid.size(); ++i) {
      bool dash = i == 8 || i == 13 || i == 18 || i == 23;
      if (dash != (uuid[i] == '-')) return false;
      if (!dash && std::string("0123456789abcdef").find(uuid[i]) == std::string::npos) return false;
    }
    return true;
  };
  {
    os::scoped_random_source random([]() -> uint64_t { return ~0ULL; });
    EXPECT_EQ(random_uuid(), "ffffffff-ffff-4fff-bfff-ffffffffffff");
  }
  std::string first = random_uuid();
  EXPECT_TRUE(has_form(first)) << first;
  EXPECT_NE(random_uuid(), first);
}

}  // namespace
}  // namespace krv::log
