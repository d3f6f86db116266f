// ReplaceAll, as the main flow uses it to put the workspace into the
// updater's command-line template.
#include <gtest/gtest.h>

#include "handoff/installer_launch.h"

namespace krv::handoff {
namespace {

TEST(ReplaceAll, Cases) {
  struct Case {
    const char* what;
    std::wstring text, pattern, replacement, expected;
  } cases[] = {
      {"every occurrence", L"/a:\"%TMPPATH%\" /b:%TMPPATH%", L"%TMPPATH%", L"C:\\T\\w",
       L"/a:\"C:\\T\\w\" /b:C:\\T\\w"},
      {"no occurrence: unchanged", L"/is_kestil_product", L"%TMPPATH%", L"C:\\T", L"/is_kestil_product"},
      {"inserted text is not searched again", L"%P%", L"%P%", L"x%P%", L"x%P%"},
      {"already replaced text comes out as a fresh one", L"x%P%y %P%", L"%P%", L"x%P%y", L"x%P%y x%P%y"},
      {"replacement shorter than the pattern", L"aaaa", L"aa", L"b", L"bb"},
      {"empty replacement removes", L"a%P%b", L"%P%", L"", L"ab"},
      {"empty pattern: unchanged", L"abc", L"", L"x", L"abc"},
      {"pattern equal to replacement: unchanged", L"a%P%", L"%P%", L"%P%", L"a%P%"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::wstring text = c.text;
    ReplaceAll(text, c.pattern, c.replacement);
    EXPECT_EQ(text, c.expected);
  }
}

}  // namespace
}  // namespace krv::handoff
