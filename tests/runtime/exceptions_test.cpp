#include "runtime/exceptions.h"

#include <gtest/gtest.h>

#include <functional>
#include <stdexcept>
#include <ostream>
#include <string>

#include "runtime/exit_actions.h"

namespace krv::exceptions {
namespace {

struct RaiseCase {
  const char* name;
  std::function<void()> raise;
  bool fatal;
  const char* what;
  const char* message;
  int32_t code;
};

// Names the case in test output instead of dumping its bytes.
void PrintTo(const RaiseCase& c, std::ostream* os) { *os << c.name; }

class ExceptionRaiseTest : public testing::TestWithParam<RaiseCase> {};

TEST_P(ExceptionRaiseTest, CarriesMessageAndCode) {
  const RaiseCase& c = GetParam();
  try {
    c.raise();
    FAIL() << "nothing raised";
  } catch (const detail::base& e) {
    EXPECT_STREQ(e.what(), c.what);
    EXPECT_EQ(e.message(), c.message);
    EXPECT_EQ(e.code(), c.code);
    EXPECT_EQ(dynamic_cast<const fatal*>(&e) != nullptr, c.fatal);
    EXPECT_EQ(dynamic_cast<const error*>(&e) != nullptr, !c.fatal);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExceptionRaiseTest,
    testing::Values(
        RaiseCase{"ErrorCodeOnly", [] { throw error(87); }, false, "Unknown exception", "", 87},
        RaiseCase{"ErrorCodeAndMessage", [] { throw error(5, "Cannot %s '%s' (%d)", "open", "x", 3); },
                  false, "Cannot open 'x' (3)", "Cannot open 'x' (3)", 5},
        RaiseCase{"ErrorMessageOnly", [] { throw error("Callback not found"); }, false,
                  "Callback not found", "Callback not found", -1},
        RaiseCase{"ErrorNegativeCode", [] { throw error(-2147483647 - 1, "min"); }, false, "min",
                  "min", -2147483647 - 1},
        RaiseCase{"FatalMessageOnly", [] { throw fatal("broken %u", 7u); }, true, "broken 7",
                  "broken 7", -1},
        RaiseCase{"FatalCodeAndMessage", [] { throw fatal(87, "nullparam"); }, true, "nullparam",
                  "nullparam", 87},
        RaiseCase{"FatalCodeOnly", [] { throw fatal(120); }, true, "Unknown exception", "", 120},
        RaiseCase{"EmptyFormatMeansNoMessage", [] { throw error(1, "%s", ""); }, false,
                  "Unknown exception", "", 1}),
    [](const testing::TestParamInfo<RaiseCase>& info) { return std::string(info.param.name); });

TEST(ExceptionTest, LongMessageIsFormattedWhole) {
  const std::string part(5000, 'x');
  const error e(1, "<%s|%s>", part.c_str(), part.c_str());
  EXPECT_EQ(e.message(), "<" + part + "|" + part + ">");
}

TEST(ExceptionTest, C99FormatsInBothBuilds) {
  const error e(1, "%lld %zu %hhu %#x", -1LL, static_cast<size_t>(42), 300, 255u);
  EXPECT_EQ(e.message(), "-1 42 44 0xff");
}

TEST(ExceptionTest, ThrowAtRecordsLocationAndKeepsType) {
  class derived : public error {
   public:
    derived() : error(2, "derived") {}
  };
  const int line = __LINE__ + 2;
  try {
    throw_at(KRV_HERE, derived());
  } catch (const derived& e) {
    EXPECT_EQ(e.location().line, line);
    EXPECT_NE(std::string(e.location().file).find("exceptions_test.cpp"), std::string::npos);
    EXPECT_EQ(e.code(), 2);
  }
}

TEST(ExceptionTest, ActionFailureNestsTheActionsException) {
  using failure = lifetime::impl::at_exit_action_node::action_failed_exception;
  try {
    try {
      throw std::runtime_error("inner");
    } catch (...) {
      throw failure();
    }
  } catch (const failure& e) {
    EXPECT_STREQ(e.what(),
                 "krv::lifetime::impl::at_exit_action_node::action_failed_exception::"
                 "action_failed_exception: atexit action throws exception!");
    EXPECT_EQ(e.code(), -1);
    EXPECT_THROW(std::rethrow_if_nested(e), std::runtime_error);
  }
}

}  // namespace
}  // namespace krv::exceptions
