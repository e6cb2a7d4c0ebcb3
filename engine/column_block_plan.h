#pragma once
// The block walk of a row (scalar, SSSE3 and AVX2 kernels). Each block
// writes 16 destination bytes and reads its samples from two 16-byte windows
// of the same row. Blocks run in an order that reads no byte an earlier
// block overwrote; the few blocks no order serves read copies of their
// windows, saved before the row is written, and run last:
//
//   row      |<- src ->|          destination squeezed into the middle
//   dst         |<-  ->|
//   blocks   <- <- <- . -> -> ->  left of the fixed point right-to-left,
//                                 right of it left-to-right
#include <cstddef>
#include <cstdint>

#include "engine/column_plan.h"

namespace xvf {

struct ColumnBlockPlan : ColumnTouch {
  const ColumnBlock* blocks = nullptr;  // in running order; the last savedBlocks read saved windows
  int32_t blockCount = 0;
  int32_t savedBlocks = 0;
  const int32_t* saveFrom = nullptr;  // row offsets of the windows saved before a row is written
  int32_t saveCount = 0;
  uint8_t* saved = nullptr;  // kColumnRowsAtOnce rows x saveCount x 16 bytes
};

// Bytes of the arena BuildColumnBlockPlan needs (plan and build scratch), or
// 0 when the shape cannot be planned (fewer than 16 destination bytes).
size_t ColumnBlockPlanArenaBytes(const ColumnShape& shape);

// Builds the plan of `map` (step 4) into `arena` (16-byte aligned, of
// ColumnBlockPlanArenaBytes); false when the map cannot be expressed
// (MakeColumnBlocks).
bool BuildColumnBlockPlan(const ColumnShape& shape, const ScaleMapEntry* map, uint8_t* arena, ColumnBlockPlan* plan);

}  // namespace xvf
