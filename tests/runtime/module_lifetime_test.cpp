#include "runtime/module_lifetime.h"

#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "runtime/exceptions.h"

namespace krv::mi {
namespace {

struct TestModule : Module<IModule> {};

TEST(ModuleLifetimeTest, RegistersEachModuleOnce) {
  ModuleLifetime registry;
  TestModule first;
  TestModule second;
  registry.register_module(&first);
  EXPECT_TRUE(registry.is_module_registered(&first));
  EXPECT_FALSE(registry.is_module_registered(&second));
  try {
    registry.register_module(&first);
    ADD_FAILURE() << "no exception";
  } catch (const exceptions::fatal& e) {
    EXPECT_STREQ(e.what(), "Module is being registered for the second time");
  }
  EXPECT_TRUE(registry.unregister_module(&first));
  EXPECT_FALSE(registry.unregister_module(&first));
  EXPECT_FALSE(registry.is_module_registered(&first));
  registry.register_module(&first);
  EXPECT_TRUE(registry.is_module_registered(&first));
}

TEST(ModuleLifetimeTest, DestructionCallbackRunsOnceByCookie) {
  ModuleLifetime registry;
  std::vector<std::pair<uint32_t, uint32_t>> calls;
  const destruction_cookie a =
      registry.add_destruction_callback([&](uint32_t x, uint32_t y) { calls.emplace_back(x, y); }, 1, 2);
  const destruction_cookie b =
      registry.add_destruction_callback([&](uint32_t x, uint32_t y) { calls.emplace_back(x, y); }, 3, 4);
  EXPECT_NE(a, b);
  registry.run_destruction_callback(b);
  EXPECT_EQ(calls, (std::vector<std::pair<uint32_t, uint32_t>>{{3, 4}}));
  for (destruction_cookie unknown : {b, destruction_cookie{0}, destruction_cookie{999}}) {
    try {
      registry.run_destruction_callback(unknown);
      ADD_FAILURE() << "no exception for cookie " << unknown;
    } catch (const exceptions::error& e) {
      EXPECT_STREQ(e.what(), "Callback not found");
    }
  }
  registry.run_destruction_callback(a);
  EXPECT_EQ(calls.size(), 2u);
}

TEST(ModuleLifetimeTest, DestructorRunsRemainingCallbacksNewestFirst) {
  std::vector<int> calls;
  {
    ModuleLifetime registry;
    registry.add_destruction_callback([&](uint32_t, uint32_t) { calls.push_back(1); }, 0, 0);
    registry.add_destruction_callback([](uint32_t, uint32_t) { throw std::runtime_error("x"); }, 0, 0);
    const destruction_cookie ran =
        registry.add_destruction_callback([&](uint32_t, uint32_t) { calls.push_back(3); }, 0, 0);
    registry.add_destruction_callback([&](uint32_t, uint32_t) { calls.push_back(4); }, 0, 0);
    registry.run_destruction_callback(ran);
  }
  EXPECT_EQ(calls, (std::vector<int>{3, 4, 1}));
}

TEST(ModuleLifetimeTest, ProcessRegistryIsOneObject) {
  const std::shared_ptr<IModuleLifetime> registry = module_lifetime();
  ASSERT_NE(registry, nullptr);
  EXPECT_EQ(registry, module_lifetime());
  EXPECT_EQ(registry->query(), 1);
}

}  // namespace
}  // namespace krv::mi
