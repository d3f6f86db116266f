#pragma once
// The logger's pending records: a bounded lock-free FIFO for any number of
// producers and consumers.

#include <atomic>
#include <cstdint>
#include <memory>

#include "log/log_record.h"

namespace krv::log {

// A Michael-Scott queue over a fixed pool of 1025 nodes, one of them always
// the list's dummy, so at most 1024 records wait. Head, tail, every link and
// the free list's top are 32-bit words holding a 16-bit node index and a
// 16-bit tag incremented on every change, so that a node recycled between a
// read and a compare-and-swap makes the swap fail. Pushing and popping
// allocate nothing; nodes are 64-byte aligned so that neighbours do not share
// a cache line.
class LogQueue {
 public:
  static constexpr uint16_t kNodeCount = 1025;
  static constexpr uint16_t kCapacity = kNodeCount - 1;

  LogQueue();
  // Frees the records still queued.
  ~LogQueue();
  LogQueue(const LogQueue&) = delete;
  LogQueue& operator=(const LogQueue&) = delete;

  // Queues `record` (not null) and takes it (leaving `record` empty).
  // Returns false, leaving `record` with the caller, when 1024 records wait.
  bool push(std::unique_ptr<LogRecord>& record);

  // Queues `record`, first freeing the oldest records one at a time while the
  // queue is full, so the newest 1024 survive.
  void push_dropping_oldest(std::unique_ptr<LogRecord> record);

  // Takes the oldest record; empty when none waits.
  std::unique_ptr<LogRecord> pop();

 private:
  struct alignas(64) Node {
    std::atomic<uint32_t> next;       // tagged index of the following node
    std::atomic<uint32_t> free_next;  // index of the next free node
    std::atomic<LogRecord*> value;
  };

  uint16_t allocate();
  void release(uint16_t index);

  std::unique_ptr<Node[]> nodes_;
  alignas(64) std::atomic<uint32_t> head_;
  alignas(64) std::atomic<uint32_t> tail_;
  alignas(64) std::atomic<uint32_t> free_top_;
};

}  // namespace krv::log
