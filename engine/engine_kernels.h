#pragma once
#include "engine/column_kernels.h"
#include "engine/paint_row_kernels.h"
#include "engine/row_kernels.h"
#include "platform/cpu_features.h"

namespace xvf {

// Every kernel of the engine at one instruction-set level.
struct EngineKernels {
  RowKernels rows;        // FrameScaler: the two passes and the row fast paths
  ColumnKernels columns;  // FrameScaler: rows resampled in place
  PaintKernels paint;     // FramePainter
};

// The scalar kernels, overwritten by each level from the lowest up to
// `level` with the kernels it has.
EngineKernels EngineKernelsFor(CpuLevel level);

// The kernels of UsableCpuLevel(), chosen once on first use.
const EngineKernels& ActiveEngineKernels();

}  // namespace xvf
