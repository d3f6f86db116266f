// The runtime's path join for folders read from the registry.
#include "runtime/path_combine.h"

#include <gtest/gtest.h>

namespace krv::os {
namespace {

TEST(PathCombine, Table) {
  struct Case {
    const wchar_t* folder;
    const wchar_t* name;
    const wchar_t* expected;
  };
  const Case cases[] = {
      {L"C:\\Orvane", L"setup", L"C:\\Orvane\\setup"},
      {L"C:\\Orvane\\", L"setup", L"C:\\Orvane\\setup"},
      {L"C:\\Orvane/", L"setup", L"C:\\Orvane/setup"},
      {L"C:\\Orvane", L"\\setup", L"C:\\Orvane\\setup"},
      {L"C:\\Orvane", L"/setup", L"C:\\Orvane/setup"},
      {L" \tC:\\Orvane \t", L"setup", L"C:\\Orvane\\setup"},
      {L"\"C:\\Program Files\\Orvane\"", L"setup", L"\"C:\\Program Files\\Orvane\\setup\""},
      {L"  \"C:\\Orvane\\\" ", L"setup", L"\"C:\\Orvane\\setup\""},
      {L"\"", L"setup", L"\"\\setup"},
      {L"", L"setup", L"setup"},
      {L"C:\\Orvane", L"", L"C:\\Orvane"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(::testing::Message() << c.folder << " + " << c.name);
    EXPECT_EQ(combine_path(c.folder, c.name), c.expected);
  }
}

}  // namespace
}  // namespace krv::os
