#include "log/log_queue.h"

namespace krv::log {

namespace {

constexpr uint16_t kNone = LogQueue::kNodeCount;

constexpr uint32_t pack(uint16_t index, uint16_t tag) { return static_cast<uint32_t>(tag) << 16 | index; }
constexpr uint16_t index_of(uint32_t word) { return static_cast<uint16_t>(word & 0xFFFF); }
constexpr uint16_t next_tag(uint32_t word) { return static_cast<uint16_t>((word >> 16) + 1); }

}  // namespace

LogQueue::LogQueue() : nodes_(new Node[kNodeCount]), head_(pack(0, 0)), tail_(pack(0, 0)), free_top_(pack(1, 0)) {
  // Node 0 is the first dummy; 1..1024 form the free list.
  for (uint16_t i = 0; i < kNodeCount; ++i) {
    nodes_[i].next.store(pack(kNone, 0), std::memory_order_relaxed);
    nodes_[i].free_next.store(i + 1 < kNodeCount && i != 0 ? i + 1 : kNone, std::memory_order_relaxed);
    nodes_[i].value.store(nullptr, std::memory_order_relaxed);
  }
}

LogQueue::~LogQueue() {
  while (pop()) {
  }
}

uint16_t LogQueue::allocate() {
  uint32_t top = free_top_.load();
  for (;;) {
    uint16_t index = index_of(top);
    if (index == kNone) return kNone;
    // Possibly stale when another thread takes the node first; the tag then
    // makes the swap fail.
    uint16_t next = static_cast<uint16_t>(nodes_[index].free_next.load());
    if (free_top_.compare_exchange_weak(top, pack(next, next_tag(top)))) return index;
  }
}

void LogQueue::release(uint16_t index) {
  uint32_t top = free_top_.load();
  do {
    nodes_[index].free_next.store(index_of(top));
  } while (!free_top_.compare_exchange_weak(top, pack(index, next_tag(top))));
}

bool LogQueue::push(std::unique_ptr<LogRecord>& record) {
  uint16_t index = allocate();
  if (index == kNone) return false;
  Node& node = nodes_[index];
  node.value.store(record.release());
  node.next.store(pack(kNone, next_tag(node.next.load())));
  uint32_t tail;
  for (;;) {
    tail = tail_.load();
    uint32_t next = nodes_[index_of(tail)].next.load();
    if (tail != tail_.load()) continue;
    if (index_of(next) == kNone) {
      if (nodes_[index_of(tail)].next.compare_exchange_weak(next, pack(index, next_tag(next)))) break;
    } else {
      // The tail lags behind: help it forward.
      tail_.compare_exchange_weak(tail, pack(index_of(next), next_tag(tail)));
    }
  }
  tail_.compare_exchange_strong(tail, pack(index, next_tag(tail)));
  return true;
}

void LogQueue::push_dropping_oldest(std::unique_ptr<LogRecord> record) {
  while (!push(record)) pop();
}

std::unique_ptr<LogRecord> LogQueue::pop() {
  for (;;) {
    uint32_t head = head_.load();
    uint32_t tail = tail_.load();
    uint32_t next = nodes_[index_of(head)].next.load();
    if (head != head_.load()) continue;
    uint16_t next_index = index_of(next);
    if (index_of(head) == index_of(tail)) {
      if (next_index == kNone) return nullptr;
      tail_.compare_exchange_weak(tail, pack(next_index, next_tag(tail)));
      continue;
    }
    if (next_index == kNone) continue;
    // Read before the swap: once the head moves on, the node may be reused.
    LogRecord* value = nodes_[next_index].value.load();
    if (head_.compare_exchange_weak(head, pack(next_index, next_tag(head)))) {
      release(index_of(head));
      return std::unique_ptr<LogRecord>(value);
    }
  }
}

}  // namespace krv::log
