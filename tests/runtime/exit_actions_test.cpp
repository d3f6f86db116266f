#include "runtime/exit_actions.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <stdexcept>
#include <ostream>
#include <string>
#include <thread>
#include <vector>

#include "runtime/manual_event.h"

namespace krv::lifetime {
namespace {

using impl::exit_action_list;

struct OrderCase {
  const char* name;
  std::vector<uint32_t> registered;  // in order of registration
  uint32_t minimum;
  std::vector<uint32_t> ran;         // as indexes into `registered`
  std::vector<uint32_t> ran_later;   // by a following run(0)
};

// Names the case in test output instead of dumping its bytes.
void PrintTo(const OrderCase& c, std::ostream* os) { *os << c.name; }

class ExitActionOrderTest : public testing::TestWithParam<OrderCase> {};

TEST_P(ExitActionOrderTest, RunsByPriorityThenNewestFirst) {
  const OrderCase& c = GetParam();
  exit_action_list list;
  std::vector<uint32_t> ran;
  for (uint32_t i = 0; i < c.registered.size(); ++i) {
    list.add(c.registered[i], [&ran, i] { ran.push_back(i); });
  }
  EXPECT_EQ(list.run(c.minimum), 0u);
  EXPECT_EQ(ran, c.ran);
  ran.clear();
  list.run(0);
  EXPECT_EQ(ran, c.ran_later);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ExitActionOrderTest,
    testing::Values(
        OrderCase{"HigherFirstLowRegisteredFirst", {10, 100001}, 0, {1, 0}, {}},
        OrderCase{"HigherFirstHighRegisteredFirst", {100001, 10}, 0, {0, 1}, {}},
        OrderCase{"EqualPriorityNewestFirst", {5, 5, 5}, 0, {2, 1, 0}, {}},
        OrderCase{"Mixed", {0, 201008, 10, 100001, 10, 0}, 0, {1, 3, 4, 2, 5, 0}, {}},
        OrderCase{"DllUnloadMinimumLeavesLowerOnes",
                  {0, 201008, 10, 100001},
                  priority::dll_unload_minimum,
                  {1, 3},
                  {2, 0}},
        OrderCase{"MinimumIsInclusive", {99999, 100000, 100001}, 100000, {2, 1}, {0}},
        OrderCase{"NothingAtOrAboveMinimum", {1, 2}, 3, {}, {1, 0}},
        OrderCase{"LeftoversKeepTheirOrder", {7, 7, 9, 7}, 8, {2}, {3, 1, 0}}),
    [](const testing::TestParamInfo<OrderCase>& info) { return std::string(info.param.name); });

TEST(ExitActionListTest, RaisingActionsDoNotStopTheOthers) {
  exit_action_list list;
  std::vector<int> ran;
  list.add(1, [&] { ran.push_back(1); });
  list.add(2, [] { throw std::runtime_error("standard"); });
  list.add(3, [&] { ran.push_back(3); });
  list.add(4, [] { throw 42; });
  list.add(5, [&] { ran.push_back(5); });
  EXPECT_EQ(list.run(0), 2u);
  EXPECT_EQ(ran, (std::vector<int>{5, 3, 1}));
}

TEST(ExitActionListTest, ActionsAddedWhileRunningTakePart) {
  exit_action_list list;
  std::vector<std::string> ran;
  list.add(50, [&] {
    ran.push_back("50");
    list.add(40, [&] { ran.push_back("40 added"); });
    list.add(60, [&] { ran.push_back("60 added"); });
    list.add(1, [&] { ran.push_back("1 added"); });
  });
  list.add(45, [&] { ran.push_back("45"); });
  list.run(10);
  EXPECT_EQ(ran, (std::vector<std::string>{"50", "60 added", "45", "40 added"}));
  ran.clear();
  list.run(0);
  EXPECT_EQ(ran, (std::vector<std::string>{"1 added"}));
}

TEST(ExitActionListTest, EveryActionFromManyThreadsRunsOnce) {
  exit_action_list list;
  constexpr int kThreads = 8;
  constexpr int kPerThread = 500;
  std::vector<std::atomic<int>> runs(kThreads * kPerThread);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([&, t] {
      for (int i = 0; i < kPerThread; ++i) {
        const int index = t * kPerThread + i;
        list.add(static_cast<uint32_t>(i % 7), [&runs, index] { ++runs[index]; });
      }
    });
  }
  for (std::thread& thread : threads) {
    thread.join();
  }
  list.run(0);
  for (size_t i = 0; i < runs.size(); ++i) {
    ASSERT_EQ(runs[i].load(), 1) << "action " << i;
  }
}

TEST(ExitActionListTest, DestroyingFreesActionsWithoutRunningThem) {
  auto witness = std::make_shared<int>(0);
  {
    exit_action_list list;
    list.add(1, [witness] { ++*witness; });
    EXPECT_EQ(witness.use_count(), 2);
  }
  EXPECT_EQ(witness.use_count(), 1);
  EXPECT_EQ(*witness, 0);
}

// The process-wide list and the exit sequence change process state, so these
// run in a child process of their own.
class ProcessExitTest : public testing::Test {
 protected:
  void SetUp() override { GTEST_FLAG_SET(death_test_style, "threadsafe"); }
};

void Report(const char* text) {
  std::fputs(text, stderr);
  std::fflush(stderr);
}

TEST_F(ProcessExitTest, DllUnloadRunsHighPrioritiesAndProcessExitTheRest) {
  EXPECT_EXIT(
      {
        register_exit_action(priority::creation_events, [] { Report("0 "); });
        register_exit_action(priority::branding, [] { Report("10 "); });
        register_exit_action(priority::runtime_singletons, [] { Report("100001 "); });
        register_exit_action(priority::module_registry, [] { Report("201008 "); });
        run_exit_actions(priority::dll_unload_minimum);
        Report("unload ");
        std::exit(0);
      },
      testing::ExitedWithCode(0), "^201008 100001 unload 10 0 $");
}

TEST_F(ProcessExitTest, ExitStartedEventIsSetWhenTheSequenceBegins) {
  EXPECT_EXIT(
      {
        impl::manual_event& event = exit_started_event();
        const bool set_before = event.is_set() || exit_sequence_started();
        run_exit_actions(~uint32_t{0});
        const bool set_after = event.is_set() && exit_sequence_started();
        std::_Exit(!set_before && set_after ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
}

TEST_F(ProcessExitTest, ExitStartedEventRequestedLaterIsAlreadySet) {
  EXPECT_EXIT(
      {
        run_exit_actions(~uint32_t{0});
        std::_Exit(exit_started_event().is_set() ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace krv::lifetime
