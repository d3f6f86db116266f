#pragma once
// How many bytes the extraction's jobs may hold in memory at once.

#include <condition_variable>
#include <cstdint>
#include <mutex>

namespace krv::sfxarc {

// A number of bytes shared by threads that each need some of it for a
// while. Requests are served first come, first served: a request waits
// until the ones before it were served and its bytes fit beside those in
// use. A request larger than the whole budget is served once nothing else is
// in use, and then runs alone. Each holder gives its bytes back when done,
// without waiting for anything itself, so every request is served in the
// end. Any thread may call; the object must outlive its leases.
class MemoryBudget {
 public:
  explicit MemoryBudget(uint64_t capacity) : capacity_(capacity) {}
  MemoryBudget(const MemoryBudget&) = delete;
  MemoryBudget& operator=(const MemoryBudget&) = delete;

  // Holds `bytes` of `budget` from construction, which blocks until they
  // are granted, to destruction, which gives them back.
  class Lease {
   public:
    Lease(MemoryBudget& budget, uint64_t bytes);
    ~Lease();
    Lease(const Lease&) = delete;
    Lease& operator=(const Lease&) = delete;

   private:
    MemoryBudget& budget_;
    const uint64_t bytes_;
  };

 private:
  void Acquire(uint64_t bytes);
  void Release(uint64_t bytes);

  const uint64_t capacity_;
  std::mutex lock_;
  std::condition_variable changed_;
  uint64_t in_use_ = 0;
  // Tickets in arrival order: the next to hand out, the next to serve.
  uint64_t next_ticket_ = 0;
  uint64_t serving_ = 0;
};

}  // namespace krv::sfxarc
