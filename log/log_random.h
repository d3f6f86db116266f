#pragma once
// Random numbers for the log: temporary file names and the private logger's
// prefix. Not for secrets.

#include <cstdint>
#include <string>

namespace krv::log {

// A random 32-bit value from the current source (thread-safe).
uint32_t log_random();

// Replaces the random source while alive and restores the previous one when
// destroyed (tests). `source` must be callable from any thread.
class ScopedLogRandom {
 public:
  explicit ScopedLogRandom(uint32_t (*source)());
  ~ScopedLogRandom();
  ScopedLogRandom(const ScopedLogRandom&) = delete;
  ScopedLogRandom& operator=(const ScopedLogRandom&) = delete;

 private:
  uint32_t (*previous_)();
};

// A version-4 UUID (version nibble 4, variant bits 10) in lower-case
// hexadecimal without braces, "xxxxxxxx-xxxx-4xxx-yxxx-xxxxxxxxxxxx".
std::string random_uuid();

}  // namespace krv::log
