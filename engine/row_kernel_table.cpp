#include "engine/row_kernels.h"

namespace xvf {

RowKernels RowKernelsFor(CpuLevel level) {
  RowKernels k{VerticalRowYuy2_C, VerticalRowRgb24_C, HorizontalRowYuy2_C, HorizontalRowYuy2Odd_C,
               HorizontalRowRgb24_C};
  (void)level;
  return k;
}

const RowKernels& ActiveRowKernels() {
  static const RowKernels active = RowKernelsFor(UsableCpuLevel());
  return active;
}

}  // namespace xvf
