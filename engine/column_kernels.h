#pragma once
// Kernels that resample rows in place along a column plan (column_plan.h),
// byte-identical to the two passes.
#include <cstddef>
#include <cstdint>

#include "engine/column_plan.h"

namespace xvf {

// Resamples `rows` rows in place; row i starts at firstRow + i * rowStride.
// Each row is its own source (the rows' source rows are themselves). Uses
// plan.saved or plan.scratch as scratch; touches no byte of a row outside
// [plan.touchLow, plan.touchHigh) and writes only the destination bytes.
using ColumnRowsKernel = void(uint8_t* firstRow, ptrdiff_t rowStride, int32_t rows, const ColumnPlan& plan);
using ColumnRowsFn = ColumnRowsKernel*;

ColumnRowsKernel ResampleColumns_C, ResampleColumns_SSE2, ResampleColumns_SSSE3, ResampleColumns_AVX2;

struct ColumnKernels {
  ColumnRowsFn resampleRows = nullptr;  // null: the level keeps the other paths
};

}  // namespace xvf
