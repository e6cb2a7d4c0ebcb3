#pragma once

namespace xvf {

// Instruction-set levels of the kernels, lowest first.
enum class CpuLevel : int { C = 0, Sse2 = 1, Ssse3 = 2, Avx2 = 3 };

// What this processor and operating system support.
CpuLevel DetectedCpuLevel();

// The level kernels may use: the detected one, capped by the environment
// variable XVF_CPU (c, sse2, ssse3 or avx2) when it names a lower level.
CpuLevel UsableCpuLevel();

// "c", "sse2", "ssse3" or "avx2".
const char* CpuLevelName(CpuLevel level);

}  // namespace xvf
