#pragma once
// One counter of the progress chain: a total, the part of it done, and the
// percentage last reported.

#include <cstdint>

namespace krv::progress {

// Turns done/total counts into a percentage and tells when that percentage
// must be reported. Not thread-safe; ProgressCallback guards its counters.
class ProgressCounter {
 public:
  // A fresh counter: dirty, total 100, done 0, percent 0.
  ProgressCounter() = default;

  // A total of 0 is ignored. A total different from the current one makes
  // the counter dirty with done 0 and percent 0; the same total changes
  // nothing.
  void SetTotal(uint64_t total);

  // Sets done to `done` (SetDone) or adds `value` to it (AddDone, saturating
  // instead of wrapping), capped at the total, and recomputes the percentage
  // (done * 100 / total, truncated). Returns true when listeners must be
  // told: the counter was dirty or the percentage changed; dirty is then
  // cleared and the new percentage stored.
  bool SetDone(uint64_t done);
  bool AddDone(uint64_t value);

  // Back to total 100, done 0, percent 0; dirty stays as it is.
  void Reset();

  uint64_t total() const { return total_; }
  uint64_t done() const { return done_; }
  uint32_t percent() const { return percent_; }
  bool dirty() const { return dirty_; }

 private:
  bool dirty_ = true;
  uint64_t total_ = 100;
  uint64_t done_ = 0;
  uint32_t percent_ = 0;
};

}  // namespace krv::progress
