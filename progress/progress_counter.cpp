#include "progress/progress_counter.h"

#include <limits>

namespace krv::progress {
namespace {

// done * 100 / total for done <= total, truncated, without overflow: above
// 2^64 / 100 the product no longer fits, so it is built up as one hundred
// additions of done modulo total, counting the wraps.
uint32_t Percent(uint64_t done, uint64_t total) {
  constexpr uint64_t kLargestExact = std::numeric_limits<uint64_t>::max() / 100;
  if (done <= kLargestExact) return static_cast<uint32_t>(done * 100 / total);
  uint32_t percent = 0;
  uint64_t remainder = 0;  // always below total
  for (int i = 0; i < 100; ++i) {
    if (done >= total - remainder) {
      remainder = done - (total - remainder);
      ++percent;
    } else {
      remainder += done;
    }
  }
  return percent;
}

}  // namespace

void ProgressCounter::SetTotal(uint64_t total) {
  if (total == 0 || total == total_) return;
  dirty_ = true;
  total_ = total;
  done_ = 0;
  percent_ = 0;
}

bool ProgressCounter::SetDone(uint64_t done) {
  done_ = done < total_ ? done : total_;
  const uint32_t percent = Percent(done_, total_);
  if (!dirty_ && percent == percent_) return false;
  dirty_ = false;
  percent_ = percent;
  return true;
}

bool ProgressCounter::AddDone(uint64_t value) {
  const uint64_t room = std::numeric_limits<uint64_t>::max() - done_;
  return SetDone(value < room ? done_ + value : std::numeric_limits<uint64_t>::max());
}

void ProgressCounter::Reset() {
  total_ = 100;
  done_ = 0;
  percent_ = 0;
}

}  // namespace krv::progress
