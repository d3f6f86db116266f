// Wide formatting whatever the length of the text: the C runtimes report a
// text that does not fit differently (-1, or the length it would have), and
// both must end with the whole text.
#include "runtime/wide_format.h"

#include <gtest/gtest.h>

#include <string>

namespace krv {
namespace {

TEST(WideFormat, LongTextsComeOutWhole) {
  const size_t lengths[] = {0, 1, 150, 254, 255, 256, 257, 511, 512, 4096, 100000};
  for (size_t length : lengths) {
    SCOPED_TRACE(length);
    const std::wstring name(length, L'\u00e9');
    EXPECT_EQ(format_wide(L"%ls was not detected to be installed on this machine.", name.c_str()),
              name + L" was not detected to be installed on this machine.");
    EXPECT_EQ(format_wide(L"%ls not detected (%u)", name.c_str(), 1995u), name + L" not detected (1995)");
  }
}

TEST(WideFormat, NoTextForANullFormatOrOneTooLong) {
  EXPECT_EQ(format_wide(nullptr), L"");
  const std::wstring huge(1u << 20, L'x');
  EXPECT_EQ(format_wide(L"%ls", huge.c_str()), L"");
  EXPECT_EQ(format_wide(L"%ls", huge.substr(1).c_str()), huge.substr(1));
}

}  // namespace
}  // namespace krv
