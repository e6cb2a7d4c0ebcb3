#include "engine/frame_scaler.h"

#include <algorithm>
#include <cstdint>
#include <optional>

#include "engine/field_plan.h"
#include "platform/aligned_buffer.h"

namespace xvf {

FrameScaler::FrameScaler() : kernels_(ActiveEngineKernels().rows), columnKernels_(ActiveEngineKernels().columns) {}

void FrameScaler::SetHysteresis(int32_t grow, int32_t shrink) { hysteresis_.Set(grow, shrink); }

FrameScaler::Stats FrameScaler::Statistics() const {
  Stats s = counts_;
  s.allocations = hysteresis_.Allocations();
  s.gatherBuilds = gather_.builds;
  s.columnPlanBuilds = columnPlan_.builds;
  s.rowStepBuilds = rowSteps_.builds;
  return s;
}

bool FrameScaler::EnsureMap(const ScaleMapKey& key, OwnedMap* map) {
  // A reallocated map has undefined contents, so it is rebuilt whatever its key.
  const ScaleMapEntry* before = map->entries.get();
  if (!hysteresis_.Ensure(&map->entries, &map->count, key.count)) {
    map->key = ScaleMapKey{};
    return false;
  }
  if (key != map->key || map->entries.get() != before) {
    map->key = key;
    BuildScaleMap(key.srcLength, key.dstLength, key.clipOffset, key.count, key.step, map->entries.get());
    map->ownSources = RowsAreTheirOwnSources(map->entries.get(), key.count, key.step);
    ++counts_.mapBuilds;
  }
  return true;
}

FrameScaler::Result FrameScaler::Scale(const ScaleRequest& request) {
  Call c;
  if (const std::optional<Result> done = Clip(request, &c)) return *done;
  Path path = Path::kTwoPasses;
  // No memory: the frame stays as it was.
  if (!PrepareMaps(&c, request.columnMap) || !ChoosePath(&c, &path)) {
    ++counts_.memoryShortages;
    return Result::kLeftUnchanged;
  }
  switch (path) {
    case Path::kInPlaceColumns:
      RunInPlaceColumns(c);
      ++counts_.inPlaceColumnsPaths;
      break;
    case Path::kIdentityRows:
      RunIdentityRows(c.rows);
      ++counts_.identityPaths;
      break;
    case Path::kGatherRows:
      RunGatherRows(c.rows);
      ++counts_.gatherPaths;
      break;
    case Path::kTwoPasses:
      RunTwoPasses(c);
      break;
  }
  return Result::kScaled;
}

std::optional<FrameScaler::Result> FrameScaler::Clip(const ScaleRequest& request, Call* c) {
  const FrameRows rows = request.frame;
  const int32_t frameWidth = rows.width;
  const int32_t frameHeight = rows.height;
  const PixelFormat format = rows.format;
  const bool byFields = request.byFields;
  Rect srcRect = request.srcRect;
  Rect dstRect = request.dstRect;
  // Lengths and offsets stay below 65536 (16.16 positions), and every byte
  // offset within the frame fits a signed 32-bit map field.
  if (!RowsAreUsable(rows)) return Result::kLeftUnchanged;
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
  c->byFields = byFields;
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
  if (!hysteresis_.Ensure(&work_, c->src.Width() + 2, visibleHeight, 4)) return false;

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
  const ptrdiff_t workStride = static_cast<ptrdiff_t>(work_.capWidth) * 4;

  // Vertical pass: every work row is complete before the frame is written.
  const uint8_t* p = c.pictureRow0 + static_cast<ptrdiff_t>(c.src.top) * c.rowStride + c.x0 * c.bytesPerPixel;
  uint8_t* workRow = work_.bytes.get();
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
  const uint8_t* workStart = work_.bytes.get() + c.skip * 4;
  uint8_t* dstRow =
      c.pictureRow0 + static_cast<ptrdiff_t>(c.visible.top) * c.rowStride + c.visible.left * c.bytesPerPixel;
  for (int32_t r = 0; r < visibleHeight; ++r) {
    horizontal(workStart, c.columns, c.visible.Width(), dstRow);
    workStart += workStride;
    dstRow += c.rowStride;
  }
}

}  // namespace xvf
