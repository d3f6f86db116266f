#include "sfxarc/memory_budget.h"

namespace krv::sfxarc {

MemoryBudget::Lease::Lease(MemoryBudget& budget, uint64_t bytes) : budget_(budget), bytes_(bytes) {
  budget_.Acquire(bytes_);
}

MemoryBudget::Lease::~Lease() { budget_.Release(bytes_); }

void MemoryBudget::Acquire(uint64_t bytes) {
  std::unique_lock<std::mutex> guard(lock_);
  const uint64_t ticket = next_ticket_++;
  // In turn, so that a large request is not passed for ever by small ones.
  changed_.wait(guard, [&] {
    return serving_ == ticket && (in_use_ == 0 || (bytes <= capacity_ && in_use_ <= capacity_ - bytes));
  });
  in_use_ += bytes;
  ++serving_;
  changed_.notify_all();
}

void MemoryBudget::Release(uint64_t bytes) {
  {
    std::lock_guard<std::mutex> guard(lock_);
    in_use_ -= bytes;
  }
  changed_.notify_all();
}

}  // namespace krv::sfxarc
