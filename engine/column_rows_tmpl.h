#pragma once
// The row walk every column kernel shares, included by each kernel file with
// its own instruction set (internal linkage). `Kernel::Block<N>(block, src,
// dst)` resamples one block of N rows: windows from src[i] + base, results
// to dst[i] + block->dst, each row's windows read before its result is
// stored (a row is its own source only). The rows of src, and those of dst,
// are evenly spaced: src[i] = src[0] + i * (src[1] - src[0]).
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "engine/column_block_plan.h"

namespace xvf {
namespace {

// Prefetches the next group's rows, their lines spread evenly over the
// steps of the walk (ColumnTouch::prefetchPerBlock), so that rows arrive
// before they are needed: the right-to-left blocks defeat the hardware
// prefetcher.
// Rows are taken in rising addresses (the last row first when the stride is
// negative), one rising stream the hardware prefetcher can follow.
class NextRows {
 public:
  // Due() is called once every `blocksPerCall` direct blocks; the lines of
  // `rowsPerPass` rows fall due over one pass of them.
  NextRows(uint8_t* first, ptrdiff_t stride, int32_t rows, const ColumnTouch& plan, int32_t rowsPerPass,
           int32_t blocksPerCall)
      : step_(stride < 0 ? -stride : stride),
        rowsLeft_(rows),
        low_(plan.touchLow & ~63),
        high_(plan.touchHigh),
        perCall_(rows > 0 ? static_cast<uintptr_t>(plan.prefetchPerBlock) * rowsPerPass * blocksPerCall : 0),
        at_(reinterpret_cast<uintptr_t>(stride < 0 && rows > 0 ? first + (rows - 1) * stride : first) + low_),
        due_(at_),
        rowEnd_(at_ - low_ + high_) {}
  void Due() {
    for (due_ += perCall_; at_ < due_;) {
      __builtin_prefetch(reinterpret_cast<const void*>(at_), 1);
      at_ += 64;
      if (at_ >= rowEnd_) NextRow();
    }
  }

 private:
  // On to the next row's first line, the bytes between not counted as due;
  // after the last row nothing falls due.
  void NextRow() {
    if (--rowsLeft_ == 0) {
      perCall_ = 0;
      due_ = at_;
      return;
    }
    const uintptr_t next = rowEnd_ - high_ + step_ + low_;
    due_ += next - at_;
    at_ = next;
    rowEnd_ += step_;
  }

  const uintptr_t step_;  // |stride|
  int32_t rowsLeft_;
  const uintptr_t low_, high_;
  // Addresses, as integers: the lines from at_ up to due_ fall due now; the
  // row prefetched ends its touched bytes at rowEnd_.
  uintptr_t perCall_, at_, due_, rowEnd_;
};

// Resamples the N rows from `first`, prefetching the `aheadRows` rows from
// `ahead` as it goes.
template <typename Kernel, int N>
void ResampleGroup(uint8_t* first, ptrdiff_t stride, uint8_t* ahead, int32_t aheadRows, const ColumnBlockPlan& plan) {
  // Row pointers in locals: stores through them force no reloads.
  uint8_t* row[N];
  uint8_t* saved[N];
  for (int i = 0; i < N; ++i) {
    row[i] = first + i * stride;
    saved[i] = plan.saved + static_cast<ptrdiff_t>(i) * plan.saveCount * 16;
  }
  for (int32_t s = 0; s < plan.saveCount; ++s)
    for (int i = 0; i < N; ++i) std::memcpy(saved[i] + 16 * s, row[i] + plan.saveFrom[s], 16);
  const ColumnBlock* block = plan.blocks;
  const ColumnBlock* const directEnd = block + (plan.blockCount - plan.savedBlocks);
  const ColumnBlock* const end = block + plan.blockCount;
  if constexpr (sizeof(void*) == 4) {
    // 32-bit code keeps the walk in memory: it advances once a block pair,
    // the two blocks written out (a loop over them keeps more in memory).
    NextRows next(ahead, stride, aheadRows, plan, N, 2);
    for (; directEnd - block >= 2; block += 2) {
      next.Due();
      Kernel::template Block<N>(block, row, row);
      Kernel::template Block<N>(block + 1, row, row);
    }
    if (block < directEnd) {
      next.Due();
      Kernel::template Block<N>(block++, row, row);
    }
  } else {
    NextRows next(ahead, stride, aheadRows, plan, N, 1);
    for (; block < directEnd; ++block) {
      next.Due();
      Kernel::template Block<N>(block, row, row);
    }
  }
  for (; block < end; ++block) Kernel::template Block<N>(block, saved, row);
}

// Rows that follow `skip` rows of the `rows` left, at most a group.
inline int32_t RowsAfter(int32_t rows, int32_t skip, int32_t group) {
  const int32_t after = rows - skip;
  return after <= 0 ? 0 : after < group ? after : group;
}

// In 64-bit code each group prefetches the group after the next: one group
// ahead, the lines of a cold frame come too late. 32-bit code, four rows a
// group, measures the same either way and prefetches the next group. The
// pairs after the groups prefetch the next pair.
constexpr int32_t kGroupsAhead = sizeof(void*) == 8 ? 2 : 1;

template <typename Kernel>
void ResampleRows(uint8_t* first, ptrdiff_t stride, int32_t rows, const ColumnBlockPlan& plan) {
  constexpr int32_t kGroup = kColumnRowsAtOnce;
  constexpr int32_t kSkip = kGroupsAhead * kGroup;
  for (; rows >= kGroup; rows -= kGroup, first += kGroup * stride) {
    const int32_t ahead = RowsAfter(rows, kSkip, kGroup);
    ResampleGroup<Kernel, kGroup>(first, stride, ahead > 0 ? first + kSkip * stride : first, ahead, plan);
  }
  for (; rows >= 2; rows -= 2, first += 2 * stride) {
    const int32_t ahead = RowsAfter(rows, 2, 2);
    ResampleGroup<Kernel, 2>(first, stride, ahead > 0 ? first + 2 * stride : first, ahead, plan);
  }
  if (rows == 1) ResampleGroup<Kernel, 1>(first, stride, first, 0, plan);
}

}  // namespace
}  // namespace xvf
