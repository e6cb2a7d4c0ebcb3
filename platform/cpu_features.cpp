#include "platform/cpu_features.h"

#include <cstdlib>
#include <cstring>

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
  for (int i = 0; i <= static_cast<int>(CpuLevel::Avx2); ++i) {
    if (std::strcmp(text, CpuLevelName(static_cast<CpuLevel>(i))) == 0) {
      *level = static_cast<CpuLevel>(i);
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
  switch (level) {
    case CpuLevel::C: return "c";
    case CpuLevel::Mmx: return "mmx";
    case CpuLevel::Sse2: return "sse2";
    case CpuLevel::Ssse3: return "ssse3";
    case CpuLevel::Avx2: return "avx2";
  }
  return "c";
}

}  // namespace xvf
