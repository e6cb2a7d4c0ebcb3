#pragma once
// The band walk of a row (SSE2 kernel, which has no byte shuffle): 16 rows
// at once across a transposed band, byte c of row r at
// scratch[16 (c - touchLow) + r]. The band is read whole before any of it is
// written, so no block order and no saved windows are needed.
#include <cstddef>
#include <cstdint>

#include "engine/column_plan.h"

namespace xvf {

// One destination byte: per row, result = F + floor((F - T) m / 65536) with
// F = scratch[from + r], T = scratch[toward + r] and tap j's multiplier m in
// tapWeights[8 j] to [8 j + 7] (one per 16-bit lane). With A, B and w of the
// rule,
// w < 2048: F = A, T = B, m = -16w;
// w >= 2048: F = B, T = A, m = 16w - 65536 (the correction to B).
// Both equal A + floor((B - A) w / 4096), and m fits 16 bits.
struct ColumnTap {
  int32_t from;    // 16 (source byte - touchLow)
  int32_t toward;  // 16 (source byte - touchLow)
};

struct ColumnBandPlan : ColumnTouch {
  const ColumnTap* taps = nullptr;      // per destination byte, in destination order
  const int16_t* tapWeights = nullptr;  // 8 per tap, 16-byte aligned
  int32_t tapCount = 0;
  int32_t tapDst = 0;          // tap 0's destination byte, from the row's start
  uint8_t* scratch = nullptr;  // 16 x (touchHigh - touchLow) bytes, 16-byte aligned
};

// Bytes of the arena BuildColumnBandPlan needs (plan and build scratch), or
// 0 when the shape cannot be planned (fewer than 16 destination bytes).
size_t ColumnBandPlanArenaBytes(const ColumnShape& shape);

// Builds the plan of `map` (step 4) into `arena` (16-byte aligned, of
// ColumnBandPlanArenaBytes); false when the map cannot be expressed
// (MakeColumnBlocks), as for the block walk, so every level takes the same
// maps in place.
bool BuildColumnBandPlan(const ColumnShape& shape, const ScaleMapEntry* map, uint8_t* arena, ColumnBandPlan* plan);

}  // namespace xvf
