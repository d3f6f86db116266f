#pragma once
// The runtime's random numbers: fresh identifiers such as a setup state's
// default GUID. Not for secrets. Thread-safe.

#include <cstdint>

namespace krv::os {

// A random 64-bit value from the current source.
uint64_t random64() noexcept;

// Restarts the default source from `seed` (the runtime's full
// initialisation seeds it once).
void seed_random(uint64_t seed) noexcept;

// Replaces the source while alive and restores the previous one when
// destroyed (tests). `source` must be callable from any thread.
class scoped_random_source {
 public:
  explicit scoped_random_source(uint64_t (*source)()) noexcept;
  ~scoped_random_source();
  scoped_random_source(const scoped_random_source&) = delete;
  scoped_random_source& operator=(const scoped_random_source&) = delete;

 private:
  uint64_t (*previous_)();
};

}  // namespace krv::os
