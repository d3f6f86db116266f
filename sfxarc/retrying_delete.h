#pragma once
// Removing the outputs of a failed entry, which another process (a virus
// scanner, say) may still hold open for a moment.

#include <cstdint>
#include <string>

namespace krv::sfxarc {

// Deletes the file at `path` in up to 10 attempts: each checks that the
// path still exists (if not, gives up: false), clears the file's attributes
// and deletes it (true); after a failed attempt it pauses 200 ms.
bool DeleteWithRetry(const std::wstring& path);

// The pause between attempts, in milliseconds (a real sleep by default).
using RetrySleep = void (*)(uint32_t milliseconds);

// Replaces the pause for its lifetime, so tests count pauses instead of
// waiting; restores the previous one when it goes.
class ScopedRetrySleep {
 public:
  explicit ScopedRetrySleep(RetrySleep sleep);
  ~ScopedRetrySleep();
  ScopedRetrySleep(const ScopedRetrySleep&) = delete;
  ScopedRetrySleep& operator=(const ScopedRetrySleep&) = delete;

 private:
  RetrySleep previous_;
};

}  // namespace krv::sfxarc
