#pragma once

namespace xvf {

// Instruction-set levels of the kernels, lowest first.
// Mmx is MMX with the integer extensions of SSE (PSHUFW, PAVGB, PMULHUW...).
enum class CpuLevel : int { C = 0, Mmx = 1, Sse2 = 2, Ssse3 = 3, Avx2 = 4 };

// What this processor and operating system support.
CpuLevel DetectedCpuLevel();

// The level kernels may use: the detected one, capped by the environment
// variable XVF_CPU (c, mmx, sse2, ssse3 or avx2) when it names a lower level.
CpuLevel UsableCpuLevel();

// "c", "mmx", "sse2", "ssse3" or "avx2".
const char* CpuLevelName(CpuLevel level);

}  // namespace xvf
