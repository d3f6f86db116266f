#pragma once
// Processor features the hash code chooses its fast paths by, behind a seam so
// that tests can force each path.

namespace krv::signature {

struct CpuFeatures {
  // The SHA extensions together with SSSE3 and SSE4.1, which the SHA-256 fast
  // path also uses.
  bool sha256_instructions = false;
};

// The features of the processor this runs on, or what the installed override
// reports. The real query runs once per process and is cached.
CpuFeatures QueryCpuFeatures();

// Replaces the answer of QueryCpuFeatures while alive and restores the previous
// one on destruction. Tests only; not thread-safe. Reporting a feature the
// processor lacks makes the fast path fault with an illegal instruction.
class ScopedCpuFeatures {
 public:
  explicit ScopedCpuFeatures(CpuFeatures forced);
  ~ScopedCpuFeatures();
  ScopedCpuFeatures(const ScopedCpuFeatures&) = delete;
  ScopedCpuFeatures& operator=(const ScopedCpuFeatures&) = delete;

 private:
  const CpuFeatures* previous_;
  CpuFeatures forced_;
};

}  // namespace krv::signature
