#include "sfxarc/memory_budget.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <thread>
#include <vector>

namespace krv::sfxarc {
namespace {

// Threads take leases of assorted sizes over and over, some of them larger
// than the whole budget. A counter of the bytes held, raised after a lease is
// granted and lowered before it is given back, shows the bound at every
// moment; the joins show that nothing waits for ever.
TEST(MemoryBudget, BytesHeldAtOnceStayWithinTheBudget) {
  constexpr uint64_t kCapacity = 100;
  const uint64_t sizes[] = {10, 60, 30, 100, 0, 45, 250, 5, 99, 1, 55, 20, 101, 40};
  MemoryBudget budget(kCapacity);
  std::atomic<uint64_t> held{0};
  std::atomic<uint64_t> peak{0};
  std::atomic<int> breaches{0};
  std::atomic<int> leases{0};
  std::vector<std::thread> threads;
  for (uint64_t size : sizes) {
    threads.emplace_back([&, size] {
      for (int i = 0; i < 200; ++i) {
        MemoryBudget::Lease lease(budget, size);
        const uint64_t now = held.fetch_add(size) + size;
        // One larger than the budget runs alone; a lease of no bytes takes
        // nothing, so it may be granted beside it.
        if (size > kCapacity ? now != size : size != 0 && now > kCapacity) ++breaches;
        uint64_t seen = peak.load();
        while (now > seen && !peak.compare_exchange_weak(seen, now)) {
        }
        std::this_thread::yield();
        held.fetch_sub(size);
        ++leases;
      }
    });
  }
  for (std::thread& thread : threads) thread.join();
  EXPECT_EQ(breaches.load(), 0);
  EXPECT_EQ(held.load(), 0u);
  EXPECT_EQ(leases.load(), 200 * static_cast<int>(std::size(sizes)));
  EXPECT_LE(peak.load(), 250u);
}

TEST(MemoryBudget, ARequestLargerThanTheBudgetIsServedWhenNothingElseIsHeld) {
  MemoryBudget budget(10);
  { MemoryBudget::Lease alone(budget, 1000); }
  { MemoryBudget::Lease after(budget, 10); }
  MemoryBudget::Lease zero(budget, 0);
  MemoryBudget::Lease rest(budget, 10);
}

}  // namespace
}  // namespace krv::sfxarc
