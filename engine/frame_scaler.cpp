#include "engine/frame_scaler.h"

#include <algorithm>
#include <cstdint>

#include "engine/field_plan.h"
#include "platform/aligned_buffer.h"
#include "platform/mul_div.h"

namespace xvf {

FrameScaler::FrameScaler() : kernels_(ActiveRowKernels()), columnKernels_(ActiveColumnKernels()) {}

FrameScaler::~FrameScaler() {
  AlignedFree(work_);
  AlignedFree(rowMap_.entries);
  AlignedFree(columnMap_.entries);
  AlignedFree(gatherBlocks_);
  AlignedFree(gatherSource_);
  AlignedFree(columnArena_);
  AlignedFree(columnSource_);
  AlignedFree(rowSteps_);
}

void FrameScaler::SetHysteresis(int32_t grow, int32_t shrink) {
  growPercent = grow;
  shrinkPercent = shrink;
}

bool FrameScaler::Remember(int32_t* remembered, int32_t demand) const {
  const int32_t old = *remembered;
  if (demand > MulDiv(*remembered, 100 + growPercent, 100)) *remembered = demand;
  if (demand < MulDiv(*remembered, 100 - shrinkPercent, 100)) *remembered = demand;
  return *remembered != old;
}

void* FrameScaler::AllocateWithHeadroom(int32_t* rememberedCount, int32_t demand, size_t unitSize) {
  ++allocations_;
  const int32_t capacity = MulDiv(*rememberedCount, 100 + growPercent, 100);
  void* buffer = capacity >= demand ? AlignedAlloc(capacity, unitSize) : nullptr;
  if (!buffer) *rememberedCount = 0;
  return buffer;
}

bool FrameScaler::EnsureWorkBuffer(int32_t width, int32_t height, int32_t bytesPerWorkPixel) {
  const bool widthChanged = Remember(&workWidth, width);
  const bool heightChanged = Remember(&workHeight, height);
  if (!widthChanged && !heightChanged && work_) return true;
  workCapWidth = MulDiv(workWidth, 100 + growPercent, 100);
  workCapHeight = MulDiv(workHeight, 100 + growPercent, 100);
  AlignedFree(work_);
  ++allocations_;
  work_ = nullptr;
  if (workCapWidth >= width && workCapHeight >= height) {
    const size_t pixels = static_cast<size_t>(workCapWidth) * static_cast<size_t>(workCapHeight);
    work_ = static_cast<uint8_t*>(AlignedAlloc(pixels, bytesPerWorkPixel));
  }
  if (!work_) workWidth = workHeight = workCapWidth = workCapHeight = 0;
  return work_ != nullptr;
}

bool FrameScaler::EnsureMap(const ScaleMapKey& key, OwnedMap* map) {
  // A reallocated map has undefined contents, so it is rebuilt whatever its key.
  const ScaleMapEntry* before = map->entries;
  if (!EnsureBuffer(&map->entries, &map->count, key.count)) {
    map->key = ScaleMapKey{};
    return false;
  }
  if (key != map->key || map->entries != before) {
    map->key = key;
    BuildScaleMap(key.srcLength, key.dstLength, key.clipOffset, key.count, key.step, map->entries);
    map->ownSources = RowsAreTheirOwnSources(map->entries, key.count, key.step);
    ++mapBuilds_;
  }
  return true;
}

FrameScaler::Result FrameScaler::Scale(FrameRows rows, int32_t frameWidth, int32_t frameHeight, Rect srcRect,
                                       Rect dstRect, PixelFormat format, int32_t byFields,
                                       const ScaleMapEntry* callerColumnMap) {
  // Lengths and offsets stay below 65536 (16.16 positions), and every byte
  // offset within the frame fits a signed 32-bit map field.
  if (!RowsAreUsable(rows, format, frameWidth, frameHeight)) return Result::kLeftUnchanged;
  const bool yuy2 = format == PixelFormat::kYuy2;
  const int32_t bytesPerPixel = BytesPerPixel(format);

  if (byFields) {
    srcRect.top &= ~1;
    srcRect.bottom &= ~1;
    dstRect.top &= ~1;
    dstRect.bottom &= ~1;
  }
  const Rect frameRect{0, 0, frameWidth, frameHeight};
  Rect src;
  if (!IntersectRect(&src, srcRect, frameRect)) return Result::kEmptySource;
  Rect visible;
  if (!IntersectRect(&visible, dstRect, frameRect)) return Result::kScaled;  // nothing of it to produce
  // The whole destination sets the scale; only its visible part is produced.
  const int64_t dstWidth = static_cast<int64_t>(dstRect.right) - dstRect.left;
  const int64_t dstHeight = static_cast<int64_t>(dstRect.bottom) - dstRect.top;
  if (!SideIsUsable(dstWidth) || !SideIsUsable(dstHeight)) return Result::kLeftUnchanged;

  const int32_t srcWidth = src.Width();
  const int32_t visibleWidth = visible.Width();
  const int32_t visibleHeight = visible.Height();
  const int32_t rowStride = rows.stride;
  uint8_t* const pictureRow0 = rows.row0;

  if (!EnsureWorkBuffer(srcWidth + 2, visibleHeight, 4)) return Result::kLeftUnchanged;

  // By fields each row map entry yields an even and an odd work row; an odd
  // visible height takes one more entry, of which only the even row is used.
  const int32_t rowEntries = byFields ? (visibleHeight + 1) / 2 : visibleHeight;
  const ScaleMapKey rowKeyNow =
      byFields ? ScaleMapKey{src.Height() / 2, static_cast<int32_t>(dstHeight / 2), (visible.top - dstRect.top) / 2,
                             rowEntries, 2 * rowStride}
               : ScaleMapKey{src.Height(), static_cast<int32_t>(dstHeight), visible.top - dstRect.top, rowEntries,
                             rowStride};
  // By fields a source of one row holds no whole field pair.
  if (rowKeyNow.srcLength < 1 || !EnsureMap(rowKeyNow, &rowMap_)) return Result::kLeftUnchanged;

  const ScaleMapEntry* columns = callerColumnMap;
  if (!columns) {
    const ScaleMapKey columnKeyNow{srcWidth, static_cast<int32_t>(dstWidth), visible.left - dstRect.left,
                                   visibleWidth, 4};
    if (!EnsureMap(columnKeyNow, &columnMap_)) return Result::kLeftUnchanged;
    columns = columnMap_.entries;
  }

  const VerticalRowFn vertical = yuy2 ? kernels_.verticalYuy2 : kernels_.verticalRgb24;
  const HorizontalRowFn horizontal =
      yuy2 ? ((visible.left & 1) ? kernels_.horizontalYuy2Odd : kernels_.horizontalYuy2) : kernels_.horizontalRgb24;

  // Source columns widened to whole pairs; work pixel `skip` is srcRect.left.
  // An RGB24 frame of odd width has no pixel past its last column, and the
  // widened column is never sampled, so it is not read.
  const int32_t x0 = src.left & ~1;
  const int32_t x1 = yuy2 ? (src.right + 1) & ~1 : std::min((src.right + 1) & ~1, frameWidth);
  const int32_t skip = src.left & 1;
  const int32_t units = yuy2 ? (x1 - x0) / 2 : x1 - x0;
  const ptrdiff_t workStride = static_cast<ptrdiff_t>(workCapWidth) * 4;

  if (fastPaths_ && kernels_.lerpRow) {
    // Identity columns: destination column x is source column x, so a
    // destination row is the byte-wise blend of its two source rows.
    const bool identity =
        !callerColumnMap && srcWidth == dstWidth && src.left == dstRect.left && visibleWidth == srcWidth;
    // Rows that are their own sources: resampled in place along a column plan.
    if (!identity && columnKernels_.resampleRows && rowMap_.ownSources && src.top == visible.top) {
      const ColumnShape shape{visibleWidth, skip, x1 - x0, yuy2, (visible.left & 1) != 0, x0 * bytesPerPixel,
                              visible.left * bytesPerPixel, frameWidth * bytesPerPixel};
      const ColumnPlan* plan = nullptr;
      // No memory: the frame stays as it was.
      if (!EnsureColumnPlan(columns, shape, &plan)) return Result::kLeftUnchanged;
      if (plan) {
        columnKernels_.resampleRows(pictureRow0 + static_cast<ptrdiff_t>(visible.top) * rowStride, rowStride,
                                    visibleHeight, *plan);
        ++columnCalls_;
        return Result::kScaled;
      }
    }
    const GatherBlock* blocks = nullptr;
    if (!identity && kernels_.gatherRow &&
        !EnsureGatherTable(columns, visibleWidth, skip, x1 - x0, yuy2, (visible.left & 1) != 0, &blocks)) {
      return Result::kLeftUnchanged;  // no memory for the table: the frame stays as it was
    }
    // The work buffer holds the row buffer (its first row, with room for the
    // 16-byte window loads past the row), the saved row (its second) and a
    // second row buffer (its third).
    RowGeometry g;
    g.pictureRow0 = pictureRow0;
    g.rowStride = rowStride;
    g.srcTop = src.top;
    g.dstTop = visible.top;
    g.rows = visibleHeight;
    g.fields = byFields ? 2 : 1;
    g.rowMap = rowMap_.entries;
    g.rowStep = rowKeyNow.step;
    g.srcByteStart = (identity ? src.left : x0) * bytesPerPixel;
    g.srcBytes = (identity ? srcWidth : x1 - x0) * bytesPerPixel;
    g.dstByteStart = visible.left * bytesPerPixel;
    g.dstBytes = visibleWidth * bytesPerPixel;
    g.blocks = blocks;
    g.rowBuffer = work_;
    g.saveBuffer = workCapHeight >= 2 ? work_ + workStride : nullptr;
    g.rowBuffer2 = workCapHeight >= 3 && kernels_.gatherRowPair ? work_ + 2 * workStride : nullptr;
    const int64_t workBytes = static_cast<int64_t>(workStride) * workCapHeight;
    const bool roomForRow = g.srcBytes + 16 <= workStride && g.srcBytes + 16 <= workBytes;
    if (identity || (blocks && roomForRow)) {
      bool ran = false;
      // No memory for the steps: the frame stays as it was.
      if (!ScaleRowsInPlace(g, &ran)) return Result::kLeftUnchanged;
      if (ran) {
        ++(identity ? identityCalls_ : gatherCalls_);
        return Result::kScaled;
      }
    }
  }

  // Vertical pass: every work row is complete before the frame is written.
  const uint8_t* p = pictureRow0 + static_cast<ptrdiff_t>(src.top) * rowStride + x0 * bytesPerPixel;
  uint8_t* workRow = work_;
  for (int32_t r = 0, entry = 0; r < visibleHeight; ++entry) {
    const ScaleMapEntry& e = rowMap_.entries[entry];
    p += e.advance;
    vertical(p, e.secondOffset, e.weight[0], units, workRow);
    workRow += workStride;
    ++r;
    if (byFields && r < visibleHeight) {
      vertical(p + rowStride, e.secondOffset, e.weight[0], units, workRow);
      workRow += workStride;
      ++r;
    }
    p += e.secondOffset;
  }

  // Horizontal pass into the frame.
  const uint8_t* workStart = work_ + skip * 4;
  uint8_t* dstRow = pictureRow0 + static_cast<ptrdiff_t>(visible.top) * rowStride + visible.left * bytesPerPixel;
  for (int32_t r = 0; r < visibleHeight; ++r) {
    horizontal(workStart, columns, visibleWidth, dstRow);
    workStart += workStride;
    dstRow += rowStride;
  }
  return Result::kScaled;
}

}  // namespace xvf
