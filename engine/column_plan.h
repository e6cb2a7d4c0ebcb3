#pragma once
// A column map resampled in place within each row: no work row. Each block
// writes 16 destination bytes and reads its samples from two 16-byte windows
// of the same row. Blocks run in an order that reads no byte an earlier block
// overwrote; the few blocks no order serves read copies of their windows,
// saved before the row is written, and run last:
//
//   row      |<- src ->|          destination squeezed into the middle
//   dst         |<-  ->|
//   blocks   <- <- <- . -> -> ->  left of the fixed point right-to-left,
//                                 right of it left-to-right
#include <cstddef>
#include <cstdint>

#include "engine/scale_map.h"

namespace xvf {

// Output byte k of a block (half k / 8) is A + floor(2(B - A) * 8w / 65536)
// with A = window[samples[2k]], B = window[samples[2k + 1]] of its half's
// window, which equals A + floor((B - A) w / 4096).
struct alignas(16) ColumnBlock {
  int32_t dst;      // first destination byte, from the row's start
  int32_t base[2];  // each half's window, from the row's start (saved blocks: from the row's saved windows)
  int32_t unused;
  uint8_t samples[32];  // (A, B) window indices per output byte
  int16_t weights[16];  // 8w per output byte, w in 0..4095
};
static_assert(sizeof(ColumnBlock) == 80, "kernels step through blocks by 80 bytes");

// Where a column map reads and writes within a row.
struct ColumnShape {
  int32_t count = 0;         // destination pixels (map entries)
  int32_t skip = 0;          // the running position's first pixel
  int32_t rowPixels = 0;     // source pixels from srcByteStart that entries may sample
  bool yuy2 = false;         // else RGB24
  bool oddFirst = false;     // YUY2: the first destination column is odd (takes V)
  int32_t srcByteStart = 0;  // source pixel 0, from the row's start
  int32_t dstByteStart = 0;  // destination pixel 0, from the row's start
  int32_t rowBytes = 0;      // bytes of a frame row: no window reaches past them
  bool operator==(const ColumnShape&) const = default;
};

// One destination byte for kernels that resample 16 rows at once across a
// transposed band (byte c of row r at scratch[16 (c - touchLow) + r]): per
// row, result = F + floor((F - T) m / 65536) with F = scratch[from + r],
// T = scratch[toward + r] and tap j's multiplier m in tapWeights[8 j] to
// [8 j + 7] (one per 16-bit lane). With A, B and w of the rule,
// w < 2048: F = A, T = B, m = -16w;
// w >= 2048: F = B, T = A, m = 16w - 65536 (the correction to B).
// Both equal A + floor((B - A) w / 4096), and m fits 16 bits.
struct ColumnTap {
  int32_t from;    // 16 (source byte - touchLow)
  int32_t toward;  // 16 (source byte - touchLow)
};

struct ColumnPlan {
  const ColumnBlock* blocks = nullptr;  // in running order; the last savedBlocks read saved windows
  int32_t blockCount = 0;
  int32_t savedBlocks = 0;
  const int32_t* saveFrom = nullptr;  // row offsets of the windows saved before a row is written
  int32_t saveCount = 0;
  uint8_t* saved = nullptr;  // kColumnRowsAtOnce rows x saveCount x 16 bytes
  int32_t touchLow = 0;      // row bytes read or written: [touchLow, touchHigh)
  int32_t touchHigh = 0;
  int32_t prefetchPerBlock = 0;  // bytes of one next row due per direct block, touched bytes only
  const ColumnTap* taps = nullptr;  // per destination byte, in destination order
  const int16_t* tapWeights = nullptr;  // 8 per tap, 16-byte aligned
  int32_t tapCount = 0;
  int32_t tapDst = 0;         // tap 0's destination byte, from the row's start
  uint8_t* scratch = nullptr;  // 16 x (touchHigh - touchLow) bytes, 16-byte aligned
};

// Rows a kernel resamples with one load of each block. 64-bit code holds
// six rows' results in registers before it stores (four took 3 % to 10 %
// longer hot); 32-bit code, with 8 vector registers, stores rows as soon as
// they are done and holds at most two half results, so four rows fit.
constexpr int32_t kColumnRowsAtOnce = sizeof(void*) == 8 ? 6 : 4;

// Bytes of the arena BuildColumnPlan needs (plan and build scratch), or 0
// when the shape cannot be planned (fewer than 16 destination bytes).
size_t ColumnPlanArenaBytes(const ColumnShape& shape);

// Builds the plan of `map` (step 4) into `arena` (16-byte aligned, of
// ColumnPlanArenaBytes). The blocks sample what the two passes sample from
// work pixels (as the gather blocks do). False when the map cannot be
// expressed: a half block's samples span more than 16 bytes, or an entry is
// not what a scale map holds or leaves the row.
bool BuildColumnPlan(const ColumnShape& shape, const ScaleMapEntry* map, uint8_t* arena, ColumnPlan* plan);

}  // namespace xvf
