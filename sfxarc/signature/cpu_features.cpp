#include "sfxarc/signature/cpu_features.h"

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

namespace krv::signature {
namespace {

const CpuFeatures* g_override = nullptr;

CpuFeatures QueryProcessor() {
  CpuFeatures features;
#if defined(__i386__) || defined(__x86_64__)
  unsigned eax = 0, ebx = 0, ecx = 0, edx = 0;
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return features;
  const bool ssse3 = (ecx & bit_SSSE3) != 0;
  const bool sse41 = (ecx & bit_SSE4_1) != 0;
  if (!__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx)) return features;
  const bool sha = (ebx & bit_SHA) != 0;
  features.sha256_instructions = ssse3 && sse41 && sha;
#endif
  return features;
}

}  // namespace

CpuFeatures QueryCpuFeatures() {
  if (g_override) return *g_override;
  static const CpuFeatures processor = QueryProcessor();
  return processor;
}

ScopedCpuFeatures::ScopedCpuFeatures(CpuFeatures forced) : previous_(g_override), forced_(forced) {
  g_override = &forced_;
}

ScopedCpuFeatures::~ScopedCpuFeatures() { g_override = previous_; }

}  // namespace krv::signature
