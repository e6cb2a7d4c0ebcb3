// The scaler's in-place column path: its plan, kept per column map.
#include <cstdint>

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

bool FrameScaler::EnsureColumnPlan(const ScaleMapEntry* columns, const ColumnShape& shape, bool* planned) {
  *planned = false;
  // The block walk where the level has one (ColumnKernels).
  const ColumnPlanKey key{shape, !columnKernels_.resampleRows};
  const size_t arenaBytes = key.bands ? ColumnBandPlanArenaBytes(shape) : ColumnBlockPlanArenaBytes(shape);
  if (arenaBytes == 0 || arenaBytes > INT32_MAX) return true;  // too narrow to plan: another path
  const bool ok = Refresh(&columnPlan_, key, columns, shape.count, [&](ColumnPlanTable* t) {
    if (!hysteresis_.Ensure(&t->arena, &t->arenaCount, static_cast<int32_t>(arenaBytes))) return false;
    t->expressible = key.bands ? BuildColumnBandPlan(shape, columns, t->arena.get(), &t->bands)
                               : BuildColumnBlockPlan(shape, columns, t->arena.get(), &t->blocks);
    return true;
  });
  *planned = ok && columnPlan_.table.expressible;
  return ok;
}

void FrameScaler::RunInPlaceColumns(const Call& c) const {
  uint8_t* const firstRow = c.pictureRow0 + static_cast<ptrdiff_t>(c.visible.top) * c.rowStride;
  const ColumnPlanTable& t = columnPlan_.table;
  if (columnPlan_.key.bands) {
    columnKernels_.resampleBands(firstRow, c.rowStride, c.visible.Height(), t.bands);
  } else {
    columnKernels_.resampleRows(firstRow, c.rowStride, c.visible.Height(), t.blocks);
  }
}

}  // namespace xvf
