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

bool FrameScaler::EnsureColumnPlan(const ScaleMapEntry* columns, const ColumnShape& shape, const ColumnPlan** plan) {
  *plan = nullptr;
  const size_t arenaBytes = ColumnPlanArenaBytes(shape);
  if (arenaBytes == 0 || arenaBytes > INT32_MAX) return true;  // too narrow to plan: another path
  const bool ok = Refresh(&columnPlan_, shape, columns, shape.count, [&](ColumnPlanTable* t) {
    if (!EnsureBuffer(&t->arena, &t->arenaCount, static_cast<int32_t>(arenaBytes))) return false;
    t->expressible = BuildColumnPlan(shape, columns, t->arena.get(), &t->plan);
    return true;
  });
  if (ok && columnPlan_.table.expressible) *plan = &columnPlan_.table.plan;
  return ok;
}

void FrameScaler::RunInPlaceColumns(const Call& c) const {
  columnKernels_.resampleRows(c.pictureRow0 + static_cast<ptrdiff_t>(c.visible.top) * c.rowStride, c.rowStride,
                              c.visible.Height(), *c.plan);
}

}  // namespace xvf
