#include "engine/column_kernels.h"

namespace xvf {

ColumnKernels ColumnKernelsFor(CpuLevel level) {
  // Below SSSE3 there is no byte shuffle: a scalar or SSE2 in-place
  // resampler measured slower than those levels' two passes, which they keep.
  ColumnKernels k;
  if (level >= CpuLevel::Ssse3) k.resampleRows = ResampleColumns_SSSE3;
  if (level >= CpuLevel::Avx2) k.resampleRows = ResampleColumns_AVX2;
  return k;
}

const ColumnKernels& ActiveColumnKernels() {
  static const ColumnKernels active = ColumnKernelsFor(UsableCpuLevel());
  return active;
}

}  // namespace xvf
