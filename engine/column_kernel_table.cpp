#include "engine/column_kernels.h"

namespace xvf {

ColumnKernels ColumnKernelsFor(CpuLevel level) {
  // SSE2 has no byte shuffle: its kernel works across bands of 16 rows
  // instead. Below SSE2 a scalar in-place resampler measured slower than the
  // two passes, which those levels keep.
  ColumnKernels k;
  if (level >= CpuLevel::Sse2) k.resampleBands = ResampleColumns_SSE2;
  if (level >= CpuLevel::Ssse3) k.resampleRows = ResampleColumns_SSSE3;
  if (level >= CpuLevel::Avx2) k.resampleRows = ResampleColumns_AVX2;
  return k;
}

const ColumnKernels& ActiveColumnKernels() {
  static const ColumnKernels active = ColumnKernelsFor(UsableCpuLevel());
  return active;
}

}  // namespace xvf
