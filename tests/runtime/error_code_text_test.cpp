#include "runtime/error_code_text.h"

#include <gtest/gtest.h>

namespace krv {
namespace {

TEST(ErrorCodeText, ProductCodesUseTheProductTable) {
  EXPECT_EQ(ErrorCodeText(0xA001), L"Invalid signature");
  EXPECT_EQ(ErrorCodeText(0xA003), L"Orvane was not installed by this setup instance");
  EXPECT_EQ(ErrorCodeText(0xA10F), L"The product selection tree is invalid");
  EXPECT_EQ(ErrorCodeText(0xA0F0), L"Internal error of the update package");
  // In the product's range but not defined by it: no system text either.
  EXPECT_EQ(ErrorCodeText(0xA0FF), L"");
  EXPECT_EQ(ErrorCodeText(0x1A002), L"");
}

TEST(FormatErrorCode, ShowsDecimalHexAndText) {
  EXPECT_EQ(FormatErrorCode(0xA002), L"40962 (0x0000A002) [Broken package]");
  EXPECT_EQ(FormatErrorCode(0x8000A0FF), L"-2147442433 (0x8000A0FF) []");
}

#ifdef _WIN32
TEST(ErrorCodeText, SystemCodesUseTheSystemTextWithoutTrailingWhiteSpace) {
  // The system's own words (Wine's differ from Windows's), trimmed.
  EXPECT_FALSE(ErrorCodeText(0).empty());
  EXPECT_EQ(SystemMessageText(0).rfind(ErrorCodeText(0), 0), 0u);
  std::wstring text = ErrorCodeText(2);
  EXPECT_FALSE(text.empty());
  EXPECT_NE(text.back(), L'\n');
  EXPECT_NE(text.back(), L' ');
  EXPECT_EQ(FormatErrorCode(2).rfind(L"2 (0x00000002) [", 0), 0u);
}
#endif

}  // namespace
}  // namespace krv
