#include "log/log_queue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace krv::log {
namespace {

std::unique_ptr<LogRecord> numbered(uint32_t producer, uint32_t sequence) {
  auto record = std::make_unique<LogRecord>();
  record->process_id = producer;
  record->thread_id = sequence;
  return record;
}

TEST(LogQueue, HoldsAtMost1024RecordsInOrder) {
  LogQueue queue;
  EXPECT_EQ(queue.pop(), nullptr);
  for (uint32_t i = 0; i < LogQueue::kCapacity; ++i) {
    auto record = numbered(0, i);
    ASSERT_TRUE(queue.push(record)) << i;
    EXPECT_EQ(record, nullptr);
  }
  auto refused = numbered(0, 9999);
  EXPECT_FALSE(queue.push(refused));
  ASSERT_NE(refused, nullptr);  // still the caller's

  EXPECT_EQ(queue.pop()->thread_id, 0u);
  EXPECT_TRUE(queue.push(refused));
  for (uint32_t i = 1; i < LogQueue::kCapacity; ++i) EXPECT_EQ(queue.pop()->thread_id, i);
  EXPECT_EQ(queue.pop()->thread_id, 9999u);
  EXPECT_EQ(queue.pop(), nullptr);
}

TEST(LogQueue, DroppingOldestKeepsTheNewest1024) {
  LogQueue queue;
  for (uint32_t i = 0; i < 1100; ++i) queue.push_dropping_oldest(numbered(0, i));
  for (uint32_t i = 1100 - LogQueue::kCapacity; i < 1100; ++i) EXPECT_EQ(queue.pop()->thread_id, i);
  EXPECT_EQ(queue.pop(), nullptr);
}

TEST(LogQueue, RecyclesNodesAcrossManyRounds) {
  // More changes than a 16-bit tag counts, so the tags wrap.
  LogQueue queue;
  for (uint32_t round = 0; round < 70000; ++round) {
    auto a = numbered(0, round);
    auto b = numbered(1, round);
    ASSERT_TRUE(queue.push(a));
    ASSERT_TRUE(queue.push(b));
    ASSERT_EQ(queue.pop()->process_id, 0u);
    ASSERT_EQ(queue.pop()->process_id, 1u);
  }
  EXPECT_EQ(queue.pop(), nullptr);
}

TEST(LogQueue, FreesTheRecordsLeftInItWhenDestroyed) {
  // Checked by the leak checker of the sanitizer build.
  LogQueue queue;
  for (uint32_t i = 0; i < 10; ++i) queue.push_dropping_oldest(numbered(0, i));
}

// Producers push numbered records while consumers pop: every record arrives
// exactly once, and each consumer sees any one producer's records in order.
TEST(LogQueue, ManyProducersAndConsumersLoseAndDuplicateNothing) {
  constexpr uint32_t kProducers = 4;
  constexpr uint32_t kConsumers = 4;
  constexpr uint32_t kPerProducer = 50000;
  LogQueue queue;
  std::atomic<uint32_t> producers_done{0};
  std::vector<std::vector<uint8_t>> seen(kProducers, std::vector<uint8_t>(kPerProducer, 0));
  std::atomic<bool> order_ok{true};
  std::vector<std::vector<std::unique_ptr<LogRecord>>> received(kConsumers);

  std::vector<std::thread> threads;
  for (uint32_t p = 0; p < kProducers; ++p) {
    threads.emplace_back([&, p] {
      for (uint32_t i = 0; i < kPerProducer; ++i) {
        auto record = numbered(p, i);
        while (!queue.push(record)) std::this_thread::yield();
      }
      ++producers_done;
    });
  }
  for (uint32_t c = 0; c < kConsumers; ++c) {
    threads.emplace_back([&, c] {
      std::vector<int64_t> last(kProducers, -1);
      for (;;) {
        auto record = queue.pop();
        if (!record) {
          if (producers_done.load() == kProducers) {
            record = queue.pop();
            if (!record) break;
          } else {
            std::this_thread::yield();
            continue;
          }
        }
        if (static_cast<int64_t>(record->thread_id) <= last[record->process_id]) order_ok = false;
        last[record->process_id] = record->thread_id;
        received[c].push_back(std::move(record));
      }
    });
  }
  for (auto& t : threads) t.join();

  EXPECT_TRUE(order_ok.load());
  size_t total = 0;
  for (auto& list : received) {
    total += list.size();
    for (auto& record : list) ++seen[record->process_id][record->thread_id];
  }
  EXPECT_EQ(total, size_t{kProducers} * kPerProducer);
  for (uint32_t p = 0; p < kProducers; ++p)
    for (uint32_t i = 0; i < kPerProducer; ++i) ASSERT_EQ(seen[p][i], 1) << p << ":" << i;
}

}  // namespace
}  // namespace krv::log
