#include "engine/column_kernels.h"

namespace xvf {

ColumnKernels ColumnKernelsFor(CpuLevel level) {
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
