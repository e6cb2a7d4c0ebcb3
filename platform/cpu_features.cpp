#include "platform/cpu_features.h"

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <iterator>

#if defined(__i386__) || defined(__x86_64__)
#include <cpuid.h>
#endif

namespace xvf {
namespace {

#if defined(__i386__) || defined(__x86_64__)
// YMM state must be enabled by the operating system, not only by the CPU.
bool OsSavesYmm() {
  unsigned eax, edx;
  __asm__ volatile("xgetbv" : "=a"(eax), "=d"(edx) : "c"(0));
  return (eax & 0x6) == 0x6;
}
#endif

CpuLevel Detect() {
#if defined(__i386__) || defined(__x86_64__)
  unsigned eax, ebx, ecx, edx;
  if (!__get_cpuid(1, &eax, &ebx, &ecx, &edx)) return CpuLevel::C;
  if (!(edx & bit_MMX) || !(edx & bit_SSE)) return CpuLevel::C;
  if (!(edx & bit_SSE2)) return CpuLevel::Mmx;
  if (!(ecx & bit_SSSE3)) return CpuLevel::Sse2;
  const bool osxsave = (ecx & bit_OSXSAVE) != 0;
  if (!osxsave || !OsSavesYmm() || !(ecx & bit_AVX)) return CpuLevel::Ssse3;
  if (!__get_cpuid_count(7, 0, &eax, &ebx, &ecx, &edx)) return CpuLevel::Ssse3;
  return (ebx & bit_AVX2) ? CpuLevel::Avx2 : CpuLevel::Ssse3;
#else
  return CpuLevel::C;
#endif
}

bool ParseLevel(const char* text, CpuLevel* level) {
  for (const CpuLevel candidate : kAllCpuLevels) {
    if (std::strcmp(text, CpuLevelName(candidate)) == 0) {
      *level = candidate;
      return true;
    }
  }
  return false;
}

}  // namespace

CpuLevel DetectedCpuLevel() {
  static const CpuLevel detected = Detect();
  return detected;
}

CpuLevel UsableCpuLevel() {
  CpuLevel level = DetectedCpuLevel();
  CpuLevel cap;
  const char* text = std::getenv("XVF_CPU");
  if (text && ParseLevel(text, &cap) && cap < level) level = cap;
  return level;
}

const char* CpuLevelName(CpuLevel level) {
  static const char* const kNames[] = {
#define XVF_CPU_LEVEL(level, name, options) #name,
#include "platform/cpu_levels.def"
#undef XVF_CPU_LEVEL
  };
  const auto index = static_cast<size_t>(level);
  return index < std::size(kNames) ? kNames[index] : kNames[0];
}

}  // namespace xvf
