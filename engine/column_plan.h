#pragma once
// A column map resampled in place within each row: no work row. Two walks
// of a row exist, each with its own plan, built from the same 16-byte
// blocks of destination bytes: the block walk (column_block_plan.h) and the
// band walk across 16 rows (column_band_plan.h). This header holds what
// they share.
#include <cstddef>
#include <cstdint>

#include "engine/map_byte_samples.h"
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

// What every plan tells its kernel about a row: the bytes it touches and how
// fast the next rows are prefetched (column_rows_tmpl.h, NextRows).
struct ColumnTouch {
  int32_t touchLow = 0;  // row bytes read or written: [touchLow, touchHigh)
  int32_t touchHigh = 0;
  int32_t prefetchPerBlock = 0;  // bytes of one next row due per step of the walk, touched bytes only
};

// Rows a kernel resamples with one load of each block. 64-bit code holds
// six rows' results in registers before it stores (fewer reload the table
// more often); 32-bit code, with 8 vector registers, stores rows as soon as
// they are done and holds at most two half results, so four rows fit.
constexpr int32_t kColumnRowsAtOnce = sizeof(void*) == 8 ? 6 : 4;

// Destination bytes of the shape, and the most blocks they take.
inline int32_t ColumnDstBytes(const ColumnShape& s) { return s.count * (s.yuy2 ? 2 : 3); }
inline int32_t ColumnMaxBlocks(const ColumnShape& s) { return ColumnDstBytes(s) / 16 + 1; }
// True when the shape has a plan at all: 16 destination bytes and a row of
// 16 bytes.
inline bool ColumnShapePlannable(const ColumnShape& s) { return ColumnDstBytes(s) >= 16 && s.rowBytes >= 16; }

// The first step of both builders: what the two passes sample for each
// destination byte (from the row's start) into `samples`, then the blocks
// at 0, 16, ... in destination order into `blocks` (a last one ending with
// the row's last byte overlaps its neighbour; both write the same values
// there), their count and the bytes they touch (prefetchPerBlock left 0).
// The blocks sample what the two passes sample from work pixels (as the
// gather blocks do). False when the map cannot be expressed: a half block's
// samples span more than 16 bytes, an entry is not what a scale map holds or
// leaves the row, or the destination leaves the row.
bool MakeColumnBlocks(const ColumnShape& s, const ScaleMapEntry* map, ByteSample* samples, ColumnBlock* blocks,
                      int32_t* count, ColumnTouch* touch);

// Bytes of one next row falling due per step of a walk of `steps` steps:
// its lines spread evenly over them (bursts of prefetches made cold frames
// slower); none when there is no step.
int32_t PrefetchPerStep(int32_t steps, int32_t touchLow, int32_t touchHigh);

// Parts of a plan's arena, each 16-byte aligned from a 16-byte aligned
// base; with no base it only counts the bytes.
class ArenaParts {
 public:
  explicit ArenaParts(uint8_t* base) : base_(base) {}
  template <typename T>
  T* Take(size_t count) {
    uint8_t* part = base_ ? base_ + bytes_ : nullptr;
    bytes_ += (count * sizeof(T) + 15) & ~static_cast<size_t>(15);
    return reinterpret_cast<T*>(part);
  }
  size_t bytes() const { return bytes_; }

 private:
  uint8_t* base_;
  size_t bytes_ = 0;
};

}  // namespace xvf
