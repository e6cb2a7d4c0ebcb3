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

}  // namespace xvf
