#pragma once
// Kernels that resample rows in place along a column plan, byte-identical to
// the two passes: the block walk (column_block_plan.h) or, for SSE2, the band
// walk (column_band_plan.h).
#include <cstddef>
#include <cstdint>

#include "engine/column_band_plan.h"
#include "engine/column_block_plan.h"

namespace xvf {

// Resamples `rows` rows in place; row i starts at firstRow + i * rowStride.
// Each row is its own source (the rows' source rows are themselves). Uses
// plan.saved (blocks) or plan.scratch (bands) as scratch; touches no byte of
// a row outside [plan.touchLow, plan.touchHigh) and writes only the
// destination bytes.
using ColumnRowsKernel = void(uint8_t* firstRow, ptrdiff_t rowStride, int32_t rows, const ColumnBlockPlan& plan);
using ColumnBandsKernel = void(uint8_t* firstRow, ptrdiff_t rowStride, int32_t rows, const ColumnBandPlan& plan);
using ColumnRowsFn = ColumnRowsKernel*;
using ColumnBandsFn = ColumnBandsKernel*;

ColumnRowsKernel ResampleColumns_C, ResampleColumns_SSSE3, ResampleColumns_AVX2;
ColumnBandsKernel ResampleColumns_SSE2;

// Both null: the level keeps the other paths. With both, the block walk is
// used.
struct ColumnKernels {
  ColumnRowsFn resampleRows = nullptr;    // the block walk
  ColumnBandsFn resampleBands = nullptr;  // the band walk
};

}  // namespace xvf
