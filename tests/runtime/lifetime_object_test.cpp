#include "runtime/lifetime_object.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <atomic>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace krv::lifetime {
namespace {

// Each test uses objects of its own type (the tag) with their own counters,
// and a test that runs exit actions does so above the priorities of the
// objects that the tests before it created, so the tests also pass when they
// share one process.
template <int Tag>
struct Counted {
  Counted() { ++constructed; }
  ~Counted() { ++destroyed; }
  static inline std::atomic<int> constructed{0};
  static inline std::atomic<int> destroyed{0};
};

template <int Tag>
struct Failing {
  Failing() {
    ++attempts;
    throw std::runtime_error("construction failed");
  }
  static inline std::atomic<int> attempts{0};
};

lifetime_object<Counted<1>> g_once{700001};

TEST(LifetimeObjectTest, CreatesOnFirstUseOnly) {
  EXPECT_EQ(g_once.find(), nullptr);
  EXPECT_EQ(Counted<1>::constructed.load(), 0);
  const std::shared_ptr<Counted<1>> first = g_once.get();
  const std::shared_ptr<Counted<1>> second = g_once.get();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first, second);
  EXPECT_EQ(g_once.find(), first);
  EXPECT_EQ(Counted<1>::constructed.load(), 1);
}

lifetime_object<Failing<2>> g_failing{700002};

TEST(LifetimeObjectTest, FailedCreationIsFinal) {
  EXPECT_THROW(
      {
        try {
          g_failing.get();
        } catch (const std::runtime_error& e) {
          EXPECT_STREQ(e.what(), "construction failed");
          throw;
        }
      },
      std::runtime_error);
  for (int i = 0; i < 2; ++i) {
    try {
      g_failing.get();
      ADD_FAILURE() << "no exception";
    } catch (const object_creation_error& e) {
      EXPECT_STREQ(e.what(), "Object creation failed");
      EXPECT_EQ(e.code(), -1);
    }
  }
  EXPECT_EQ(g_failing.find(), nullptr);
  EXPECT_EQ(Failing<2>::attempts.load(), 1);
}

lifetime_object<Counted<3>> g_destroyed{700003};

TEST(LifetimeObjectTest, DestroyedByItsExitActionAndThenFinal) {
  std::shared_ptr<Counted<3>> held = g_destroyed.get();
  EXPECT_EQ(run_exit_actions(700003), 0u);
  // The exit action dropped the singleton's reference; ours keeps it alive.
  EXPECT_EQ(Counted<3>::destroyed.load(), 0);
  EXPECT_EQ(g_destroyed.find(), nullptr);
  try {
    g_destroyed.get();
    ADD_FAILURE() << "no exception";
  } catch (const object_already_destroyed& e) {
    EXPECT_STREQ(e.what(), "Object was already destroyed");
  }
  held.reset();
  EXPECT_EQ(Counted<3>::destroyed.load(), 1);
  EXPECT_EQ(Counted<3>::constructed.load(), 1);
}

std::vector<std::string> g_destruction_order;

template <int Tag>
struct Recorded {
  ~Recorded() { g_destruction_order.push_back(std::to_string(Tag)); }
};

lifetime_object<Recorded<41>> g_low{700040};
lifetime_object<Recorded<42>> g_high{700050};

TEST(LifetimeObjectTest, EachObjectIsDestroyedAtItsOwnPriority) {
  g_high.get();
  g_low.get();
  run_exit_actions(700045);
  EXPECT_EQ(g_destruction_order, (std::vector<std::string>{"42"}));
  run_exit_actions(700040);
  EXPECT_EQ(g_destruction_order, (std::vector<std::string>{"42", "41"}));
}

template <int Tag>
struct SlowToMake {
  static constexpr int kThreads = 8;
  SlowToMake() {
    ++constructed;
    // Keep the creation open until every thread has asked for the object,
    // so the others find it being created.
    while (arrived.load() < kThreads) {
      std::this_thread::yield();
    }
    if (fail) {
      throw std::runtime_error("slow failure");
    }
  }
  static inline std::atomic<int> constructed{0};
  static inline std::atomic<int> arrived{0};
  static inline bool fail = Tag == 6;
};

template <class T>
std::vector<std::string> UseFromManyThreads(lifetime_object<T>& object,
                                            std::vector<std::shared_ptr<T>>& results) {
  std::vector<std::string> outcomes(T::kThreads);
  results.resize(T::kThreads);
  std::vector<std::thread> threads;
  for (int i = 0; i < T::kThreads; ++i) {
    threads.emplace_back([&, i] {
      ++T::arrived;
      try {
        results[i] = object.get();
        outcomes[i] = "object";
      } catch (const object_creation_error&) {
        outcomes[i] = "creation error";
      } catch (const std::exception& e) {
        outcomes[i] = e.what();
      }
    });
  }
  for (std::thread& thread : threads) {
    thread.join();
  }
  return outcomes;
}

lifetime_object<SlowToMake<5>> g_contended{700005};

TEST(LifetimeObjectTest, ConcurrentFirstUseCreatesOnce) {
  std::vector<std::shared_ptr<SlowToMake<5>>> results;
  const std::vector<std::string> outcomes = UseFromManyThreads(g_contended, results);
  EXPECT_EQ(SlowToMake<5>::constructed.load(), 1);
  for (int i = 0; i < SlowToMake<5>::kThreads; ++i) {
    EXPECT_EQ(outcomes[i], "object");
    EXPECT_EQ(results[i], results[0]);
  }
  EXPECT_NE(results[0], nullptr);
}

lifetime_object<SlowToMake<6>> g_contended_failing{700006};

TEST(LifetimeObjectTest, ConcurrentFirstUseOfFailingObject) {
  std::vector<std::shared_ptr<SlowToMake<6>>> results;
  std::vector<std::string> outcomes = UseFromManyThreads(g_contended_failing, results);
  EXPECT_EQ(SlowToMake<6>::constructed.load(), 1);
  std::sort(outcomes.begin(), outcomes.end());
  std::vector<std::string> expected(SlowToMake<6>::kThreads - 1, "creation error");
  expected.push_back("slow failure");
  EXPECT_EQ(outcomes, expected);
}

struct StaticMember {
  int before = 1;
  lifetime_object<Counted<7>> object{700007};
};
StaticMember g_holder;

void ExpectRefusedOutsideStaticStorage(lifetime_object<Counted<8>>& object) {
  try {
    object.get();
    ADD_FAILURE() << "no exception";
  } catch (const exceptions::fatal& e) {
    EXPECT_STREQ(e.what(),
                 "lifetime_object must be allocated on static memory (static or global variable "
                 "or member of such a variable).");
  }
  EXPECT_EQ(Counted<8>::constructed.load(), 0);
}

TEST(LifetimeObjectTest, RefusedOutsideStaticStorage) {
  lifetime_object<Counted<8>> on_stack{700008};
  ExpectRefusedOutsideStaticStorage(on_stack);
  auto on_heap = std::make_unique<lifetime_object<Counted<8>>>(700008);
  ExpectRefusedOutsideStaticStorage(*on_heap);
  thread_local lifetime_object<Counted<8>> thread_storage{700008};
  ExpectRefusedOutsideStaticStorage(thread_storage);
}

TEST(LifetimeObjectTest, AcceptedInStaticStorage) {
  static lifetime_object<Counted<9>> function_static{700009};
  EXPECT_NE(function_static.get(), nullptr);
  EXPECT_NE(g_holder.object.get(), nullptr);
}

struct TestModule : mi::Module<mi::IModule> {};
lifetime_object<TestModule> g_module_held{700060};

TEST(LifetimeObjectTest, ModuleStillHeldAtDestructionIsFatal) {
  std::shared_ptr<TestModule> held = g_module_held.get();
  EXPECT_EQ(held->query(), 1);
  // The exit action raised; run_exit_actions swallowed and counted it.
  EXPECT_EQ(run_exit_actions(700060), 1u);
  EXPECT_EQ(held.use_count(), 1);
}

lifetime_object<TestModule> g_module_free{700070};

TEST(LifetimeObjectTest, ModuleReleasedBeforeDestructionIsNotFatal) {
  EXPECT_NE(g_module_free.get(), nullptr);
  EXPECT_EQ(run_exit_actions(700070), 0u);
}

}  // namespace
}  // namespace krv::lifetime
