// The scaler's in-place column path: its plan, kept per column map.
#include <cstring>

#include "engine/frame_scaler.h"

namespace xvf {

bool FrameScaler::RowsAreTheirOwnSources(const ScaleMapEntry* rowMap, int32_t count, int32_t step) {
  int64_t position = 0;  // bytes from the first source row
  for (int32_t j = 0; j < count; ++j) {
    position += rowMap[j].advance;
    if (position != static_cast<int64_t>(j) * step || rowMap[j].weight[0] != 0) return false;
    position += rowMap[j].secondOffset;
  }
  return true;
}

bool FrameScaler::EnsureColumnPlan(const ScaleMapEntry* columns, const ColumnShape& shape, const ColumnPlan** plan) {
  *plan = nullptr;
  const size_t mapBytes = static_cast<size_t>(shape.count) * sizeof(ScaleMapEntry);
  // Keyed on the entries themselves: a caller's map may change in place.
  if (!columnValid_ || !(shape == columnShape_) || std::memcmp(columnSource_, columns, mapBytes) != 0) {
    columnValid_ = false;
    const size_t arenaBytes = ColumnPlanArenaBytes(shape);
    if (arenaBytes == 0 || arenaBytes > INT32_MAX) return true;  // too narrow to plan: another path
    const bool sourceOk = EnsureBuffer(&columnSource_, &columnSourceCount_, shape.count);
    const bool arenaOk = EnsureBuffer(&columnArena_, &columnArenaCount_, static_cast<int32_t>(arenaBytes));
    if (!sourceOk || !arenaOk) return false;
    std::memcpy(columnSource_, columns, mapBytes);
    columnShape_ = shape;
    columnExpressible_ = BuildColumnPlan(shape, columns, columnArena_, &columnPlan_);
    columnValid_ = true;
    ++columnBuilds_;
  }
  if (columnExpressible_) *plan = &columnPlan_;
  return true;
}

void FrameScaler::FillSideBands(const Rect& visible, uint32_t pixel) {
  sideBandsWanted_ = true;
  sideBandsVisible_ = visible;
  sideBandPixel_ = pixel;
  for (int32_t i = 0; i < 16; ++i) {
    sideFillYuy2_[i] = static_cast<uint8_t>(pixel >> (8 * (i % 4)));
    sideFillRgb24_[i] = static_cast<uint8_t>(pixel);
  }
}

const uint8_t* FrameScaler::SideFillFor(const Rect& visible, bool yuy2) const {
  const Rect& v = sideBandsVisible_;
  if (!sideBandsWanted_ || v.left != visible.left || v.top != visible.top || v.right != visible.right ||
      v.bottom != visible.bottom) {
    return nullptr;
  }
  const uint8_t b0 = sideBandPixel_ & 0xFF, b1 = (sideBandPixel_ >> 8) & 0xFF, b2 = (sideBandPixel_ >> 16) & 0xFF;
  if (yuy2 ? ((visible.left | visible.right) & 1) != 0 : (b0 != b1 || b1 != b2)) return nullptr;
  return yuy2 ? sideFillYuy2_ : sideFillRgb24_;
}

}  // namespace xvf
