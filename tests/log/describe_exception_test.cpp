#include "log/describe_exception.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "runtime/exceptions.h"

namespace krv::log {
namespace {

using exceptions::error;
using exceptions::fatal;

template <class Outer, class Inner>
std::string describe_nested(const Outer& outer_cause, const Inner& inner) {
  try {
    try {
      throw inner;
    } catch (...) {
      std::throw_with_nested(outer_cause);
    }
  } catch (const std::exception& e) {
    return describe_exception(e);
  }
  return "";
}

TEST(DescribeException, MessageCodeAndNestedExceptions) {
  EXPECT_EQ(describe_exception(std::runtime_error("boom")), "Exception: boom");
  EXPECT_EQ(describe_exception(error(87)), "Code: 0x00000057 (87)");
  EXPECT_EQ(describe_exception(error(5, "Cannot open %s", "x")), "Exception: Cannot open x\nCode: 0x00000005 (5)");
  EXPECT_EQ(describe_exception(error("no code")), "Exception: no code");
  EXPECT_EQ(describe_exception(fatal(-5, "broken")), "Exception: broken\nCode: 0xfffffffb (-5)");
  EXPECT_EQ(describe_nested(error(2, "outer"), std::runtime_error("inner")),
            "Exception: outer\nCode: 0x00000002 (2)\nException: inner");
  EXPECT_EQ(describe_nested(std::runtime_error("a"), error(87)), "Exception: a\nCode: 0x00000057 (87)");
}

}  // namespace
}  // namespace krv::log
