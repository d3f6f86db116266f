#include "runtime/callback_store.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "runtime/exit_actions.h"

namespace krv::storage {
namespace {

struct Call {
  std::string name;
  uint32_t first;
  uint32_t second;
  bool operator==(const Call& other) const {
    return name == other.name && first == other.first && second == other.second;
  }
};

std::vector<Call>& Calls() {
  static std::vector<Call> calls;
  return calls;
}

void Record(void* user_data, uint32_t first, uint32_t second) {
  Calls().push_back(Call{static_cast<const char*>(user_data), first, second});
}

class CallbackStoreTest : public testing::Test {
 protected:
  void SetUp() override { Calls().clear(); }
};

TEST_F(CallbackStoreTest, RunsEachCallbackOnceNewestFirst) {
  callback_store store;
  char a[] = "a";
  char b[] = "b";
  const callback_cookie_wrapper first = store.add(callback_data{&Record, a, 1, 2});
  const callback_cookie_wrapper second = store.add(callback_data{&Record, b, 3, 4});
  EXPECT_FALSE(first.empty());
  EXPECT_NE(first.value(), second.value());
  EXPECT_EQ(store.run_all(), 0u);
  EXPECT_EQ(Calls(), (std::vector<Call>{{"b", 3, 4}, {"a", 1, 2}}));
  EXPECT_EQ(store.run_all(), 0u);
  EXPECT_EQ(Calls().size(), 2u);
}

TEST_F(CallbackStoreTest, DestroyingTheStoreRunsWhatIsLeft) {
  char a[] = "a";
  {
    callback_store store;
    store.add(callback_data{&Record, a, 5, 6});
  }
  EXPECT_EQ(Calls(), (std::vector<Call>{{"a", 5, 6}}));
}

TEST_F(CallbackStoreTest, ReleasingTheHolderRemovesTheCallback) {
  auto store = std::make_shared<callback_store>();
  char kept[] = "kept";
  char removed[] = "removed";
  store->add(callback_data{&Record, kept, 0, 0});
  auto* holder = new callback_cookie_holder(store, store->add(callback_data{&Record, removed, 0, 0}));
  EXPECT_FALSE(holder->cookie().empty());
  static_cast<callback_cookie_holder_ifc*>(holder)->release();
  EXPECT_FALSE(store->remove(callback_cookie_wrapper()));
  store->run_all();
  EXPECT_EQ(Calls(), (std::vector<Call>{{"kept", 0, 0}}));
}

TEST_F(CallbackStoreTest, HolderOutlivingItsStoreRemovesNothing) {
  char a[] = "a";
  std::unique_ptr<callback_cookie_holder> holder;
  {
    auto store = std::make_shared<callback_store>();
    holder = std::make_unique<callback_cookie_holder>(store, store->add(callback_data{&Record, a, 0, 0}));
  }
  EXPECT_EQ(Calls().size(), 1u);
  holder.reset();
}

TEST_F(CallbackStoreTest, CallbackOutsideAnyModuleIsSkipped) {
  callback_store store;
  char a[] = "a";
  store.add(callback_data{&Record, a, 1, 1});
  // A function pointer into the heap stands for code of an unloaded module;
  // it must be skipped, never called.
  auto not_code = std::make_unique<char[]>(64);
  store.add(callback_data{reinterpret_cast<exit_callback>(not_code.get()), a, 2, 2});
  store.add(callback_data{&Record, a, 3, 3});
  EXPECT_EQ(store.run_all(), 1u);
  EXPECT_EQ(Calls(), (std::vector<Call>{{"a", 3, 3}, {"a", 1, 1}}));
}

TEST_F(CallbackStoreTest, NullFunctionGivesEmptyHolder) {
  callback_cookie_holder* holder = register_exit_callback(nullptr, nullptr, 0, 0);
  ASSERT_NE(holder, nullptr);
  EXPECT_TRUE(holder->cookie().empty());
  holder->release();
}

// The process-wide store is destroyed by an exit action: in a child process.
TEST(OnExitCallbackStoreTest, RunsAtDllUnloadAndRefusesLaterRegistrations) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        char early[] = "early";
        char late[] = "late";
        callback_cookie_holder* registered = register_exit_callback(&Record, early, 7, 8);
        const bool had_cookie = registered != nullptr && !registered->cookie().empty();
        lifetime::run_exit_actions(lifetime::priority::dll_unload_minimum);
        const bool ran = (Calls() == std::vector<Call>({Call{"early", 7, 8}}));
        callback_cookie_holder* refused = register_exit_callback(&Record, late, 0, 0);
        const bool empty_after = refused != nullptr && refused->cookie().empty();
        refused->release();
        registered->release();
        std::_Exit(had_cookie && ran && empty_after ? 0 : 1);
      },
      testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace krv::storage
