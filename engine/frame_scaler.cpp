#include "engine/frame_scaler.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "engine/field_plan.h"
#include "platform/aligned_buffer.h"
#include "platform/mul_div.h"

namespace xvf {

FrameScaler::FrameScaler() : kernels_(ActiveEngineKernels().rows), columnKernels_(ActiveEngineKernels().columns) {}

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

int32_t FrameScaler::WithHeadroom(int32_t count) const { return MulDiv(count, 100 + growPercent, 100); }

bool FrameScaler::EnsureWorkBuffer(int32_t width, int32_t height, int32_t bytesPerWorkPixel) {
  const bool widthChanged = Remember(&workWidth, width);
  const bool heightChanged = Remember(&workHeight, height);
  if (!widthChanged && !heightChanged && work_) return true;
  workCapWidth = WithHeadroom(workWidth);
  workCapHeight = WithHeadroom(workHeight);
  work_.Free();
  ++allocations_;
  // In 64 bits: two sides below 65536 plus headroom overflow a 32-bit size.
  const uint64_t bytes = uint64_t{static_cast<uint32_t>(workCapWidth)} * static_cast<uint32_t>(workCapHeight) *
                         static_cast<uint32_t>(bytesPerWorkPixel);
  if (workCapWidth >= width && workCapHeight >= height && bytes <= SIZE_MAX) {
    work_.Allocate(static_cast<size_t>(bytes));
  }
  if (!work_) workWidth = workHeight = workCapWidth = workCapHeight = 0;
  return static_cast<bool>(work_);
}

bool FrameScaler::EnsureMap(const ScaleMapKey& key, OwnedMap* map) {
  // A reallocated map has undefined contents, so it is rebuilt whatever its key.
  const ScaleMapEntry* before = map->entries.get();
  if (!EnsureBuffer(&map->entries, &map->count, key.count)) {
    map->key = ScaleMapKey{};
    return false;
  }
  if (key != map->key || map->entries.get() != before) {
    map->key = key;
    BuildScaleMap(key.srcLength, key.dstLength, key.clipOffset, key.count, key.step, map->entries.get());
    map->ownSources = RowsAreTheirOwnSources(map->entries.get(), key.count, key.step);
    ++mapBuilds_;
  }
  return true;
}

FrameScaler::Result FrameScaler::Scale(FrameRows rows, int32_t frameWidth, int32_t frameHeight, Rect srcRect,
                                       Rect dstRect, PixelFormat format, int32_t byFields,
                                       const ScaleMapEntry* callerColumnMap) {
  Call c;
  if (const std::optional<Result> done = Clip(rows, frameWidth, frameHeight, srcRect, dstRect, format, byFields, &c))
    return *done;
  Path path = Path::kTwoPasses;
  // No memory: the frame stays as it was.
  if (!PrepareMaps(&c, callerColumnMap) || !ChoosePath(&c, &path)) {
    ++memoryShortCalls_;
    return Result::kLeftUnchanged;
  }
  switch (path) {
    case Path::kInPlaceColumns:
      RunInPlaceColumns(c);
      ++columnCalls_;
      break;
    case Path::kIdentityRows:
      RunIdentityRows(c.rows);
      ++identityCalls_;
      break;
    case Path::kGatherRows:
      RunGatherRows(c.rows);
      ++gatherCalls_;
      break;
    case Path::kTwoPasses:
      RunTwoPasses(c);
      break;
  }
  return Result::kScaled;
}

std::optional<FrameScaler::Result> FrameScaler::Clip(FrameRows rows, int32_t frameWidth, int32_t frameHeight,
                                                     Rect srcRect, Rect dstRect, PixelFormat format,
                                                     int32_t byFields, Call* c) {
  // Lengths and offsets stay below 65536 (16.16 positions), and every byte
  // offset within the frame fits a signed 32-bit map field.
  if (!RowsAreUsable(rows, format, frameWidth, frameHeight)) return Result::kLeftUnchanged;
  if (byFields) {
    srcRect.top &= ~1;
    srcRect.bottom &= ~1;
    dstRect.top &= ~1;
    dstRect.bottom &= ~1;
  }
  const Rect frameRect{0, 0, frameWidth, frameHeight};
  if (!IntersectRect(&c->src, srcRect, frameRect)) return Result::kEmptySource;
  if (!IntersectRect(&c->visible, dstRect, frameRect)) return Result::kScaled;  // nothing of it to produce
  // The whole destination sets the scale; only its visible part is produced.
  const int64_t dstWidth = static_cast<int64_t>(dstRect.right) - dstRect.left;
  const int64_t dstHeight = static_cast<int64_t>(dstRect.bottom) - dstRect.top;
  if (!SideIsUsable(dstWidth) || !SideIsUsable(dstHeight)) return Result::kLeftUnchanged;
  // By fields a source of one row holds no whole field pair.
  if (byFields && c->src.Height() < 2) return Result::kLeftUnchanged;
  c->dst = dstRect;
  c->dstWidth = static_cast<int32_t>(dstWidth);
  c->dstHeight = static_cast<int32_t>(dstHeight);
  c->byFields = byFields != 0;
  c->yuy2 = format == PixelFormat::kYuy2;
  c->bytesPerPixel = BytesPerPixel(format);
  c->rowStride = rows.stride;
  c->rowBytes = frameWidth * c->bytesPerPixel;
  c->pictureRow0 = rows.row0;
  // An RGB24 frame of odd width has no pixel past its last column, and the
  // widened column is never sampled, so it is not read.
  c->x0 = c->src.left & ~1;
  c->x1 = c->yuy2 ? (c->src.right + 1) & ~1 : std::min((c->src.right + 1) & ~1, frameWidth);
  c->skip = c->src.left & 1;
  return std::nullopt;
}

bool FrameScaler::PrepareMaps(Call* c, const ScaleMapEntry* callerColumnMap) {
  const int32_t visibleHeight = c->visible.Height();
  if (!EnsureWorkBuffer(c->src.Width() + 2, visibleHeight, 4)) return false;

  // By fields each row map entry yields an even and an odd work row; an odd
  // visible height takes one more entry, of which only the even row is used.
  const int32_t rowEntries = c->byFields ? (visibleHeight + 1) / 2 : visibleHeight;
  const int32_t clipTop = c->visible.top - c->dst.top;
  const ScaleMapKey rowKey =
      c->byFields ? ScaleMapKey{c->src.Height() / 2, c->dstHeight / 2, clipTop / 2, rowEntries, 2 * c->rowStride}
                  : ScaleMapKey{c->src.Height(), c->dstHeight, clipTop, rowEntries, c->rowStride};
  if (!EnsureMap(rowKey, &rowMap_)) return false;

  c->columns = callerColumnMap;
  if (!callerColumnMap) {
    const ScaleMapKey columnKey{c->src.Width(), c->dstWidth, c->visible.left - c->dst.left, c->visible.Width(), 4};
    if (!EnsureMap(columnKey, &columnMap_)) return false;
    c->columns = columnMap_.entries.get();
  }
  c->identity = !callerColumnMap && c->src.Width() == c->dstWidth && c->src.left == c->dst.left &&
                c->visible.Width() == c->src.Width();
  return true;
}

void FrameScaler::RunTwoPasses(const Call& c) const {
  const VerticalRowFn vertical = c.yuy2 ? kernels_.verticalYuy2 : kernels_.verticalRgb24;
  const HorizontalRowFn horizontal = c.yuy2 ? ((c.visible.left & 1) ? kernels_.horizontalYuy2Odd
                                                                     : kernels_.horizontalYuy2)
                                            : kernels_.horizontalRgb24;
  const int32_t visibleHeight = c.visible.Height();
  const int32_t units = c.yuy2 ? (c.x1 - c.x0) / 2 : c.x1 - c.x0;
  const ptrdiff_t workStride = static_cast<ptrdiff_t>(workCapWidth) * 4;

  // Vertical pass: every work row is complete before the frame is written.
  const uint8_t* p = c.pictureRow0 + static_cast<ptrdiff_t>(c.src.top) * c.rowStride + c.x0 * c.bytesPerPixel;
  uint8_t* workRow = work_.get();
  for (int32_t r = 0, entry = 0; r < visibleHeight; ++entry) {
    const ScaleMapEntry& e = rowMap_.entries.get()[entry];
    p += e.advance;
    vertical(p, e.secondOffset, e.weight[0], units, workRow);
    workRow += workStride;
    ++r;
    if (c.byFields && r < visibleHeight) {
      vertical(p + c.rowStride, e.secondOffset, e.weight[0], units, workRow);
      workRow += workStride;
      ++r;
    }
    p += e.secondOffset;
  }

  // Horizontal pass into the frame.
  const uint8_t* workStart = work_.get() + c.skip * 4;
  uint8_t* dstRow =
      c.pictureRow0 + static_cast<ptrdiff_t>(c.visible.top) * c.rowStride + c.visible.left * c.bytesPerPixel;
  for (int32_t r = 0; r < visibleHeight; ++r) {
    horizontal(workStart, c.columns, c.visible.Width(), dstRow);
    workStart += workStride;
    dstRow += c.rowStride;
  }
}

}  // namespace xvf
