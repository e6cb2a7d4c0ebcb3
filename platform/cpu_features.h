#pragma once

namespace xvf {

// Instruction-set levels of the kernels, lowest first (cpu_levels.def).
enum class CpuLevel : int {
#define XVF_CPU_LEVEL(level, name, options) level,
#include "platform/cpu_levels.def"
#undef XVF_CPU_LEVEL
};

// Every level, lowest first: the levels tests and benchmarks run through.
inline constexpr CpuLevel kAllCpuLevels[] = {
#define XVF_CPU_LEVEL(level, name, options) CpuLevel::level,
#include "platform/cpu_levels.def"
#undef XVF_CPU_LEVEL
};

// What this processor and operating system support.
CpuLevel DetectedCpuLevel();

// The level kernels may use: the detected one, capped by the environment
// variable XVF_CPU (a level's name) when it names a lower level.
CpuLevel UsableCpuLevel();

// The level's name in cpu_levels.def: "c", "mmx", ...
const char* CpuLevelName(CpuLevel level);

}  // namespace xvf
