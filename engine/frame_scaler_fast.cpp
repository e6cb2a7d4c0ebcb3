// The scaler's fast paths: each field planned before anything is written
// (field_plan.h, with the sketch of the order), then its two halves walked
// through the row map, the rows handed to a row emitter (row_emitter.h).
#include <cstring>

#include "engine/field_plan.h"
#include "engine/frame_scaler.h"
#include "engine/gather_table.h"
#include "engine/row_emitter.h"

namespace xvf {

bool FrameScaler::EnsureGatherTable(const ScaleMapEntry* columns, int32_t count, int32_t skip, int32_t rowPixels,
                                    bool yuy2, bool oddFirst, const GatherBlock** blocks) {
  *blocks = nullptr;
  const GatherShape shape{count, skip, rowPixels, yuy2, oddFirst};
  const size_t mapBytes = static_cast<size_t>(count) * sizeof(ScaleMapEntry);
  // Keyed on the entries themselves: a caller's map may change in place.
  if (!gatherValid_ || !(shape == gatherShape_) || std::memcmp(gatherSource_, columns, mapBytes) != 0) {
    gatherValid_ = false;
    const bool sourceOk = EnsureBuffer(&gatherSource_, &gatherSourceCount_, count);
    const bool tableOk = EnsureBuffer(&gatherBlocks_, &gatherBlockCount_, GatherBlockCount(count, yuy2));
    if (!sourceOk || !tableOk) return false;
    std::memcpy(gatherSource_, columns, mapBytes);
    gatherShape_ = shape;
    gatherExpressible_ = BuildGatherBlocks(columns, count, skip, rowPixels, yuy2, oddFirst, gatherBlocks_);
    gatherValid_ = true;
    ++gatherBuilds_;
  }
  if (gatherExpressible_) *blocks = gatherBlocks_;
  return true;
}

bool FrameScaler::ScaleRowsInPlace(const RowGeometry& g) const {
  FieldPlan plans[2];
  for (int32_t field = 0; field < g.fields; ++field) {
    if (!PlanField(g, field, &plans[field])) return false;
  }
  IdentityColumnsEmitter identity(g, kernels_);
  GatherColumnsEmitter gather(g, kernels_);
  RowEmitter& emitter = g.blocks ? static_cast<RowEmitter&>(gather) : identity;

  for (int32_t field = 0; field < g.fields; ++field) {
    const FieldPlan& plan = plans[field];
    if (plan.count == 0) continue;
    if (plan.savedRow >= 0) {
      std::memcpy(g.saveBuffer, g.Row(plan.savedRow) + g.srcByteStart, static_cast<size_t>(g.srcBytes));
    }
    // Top-down half, forward through the map; it reads the frame's rows.
    const int32_t downBegin = plan.topDownFirst ? 0 : plan.split;
    const int32_t downEnd = plan.topDownFirst ? plan.split : plan.count;
    const RowSource frameRows(g, -1);
    int32_t index = plan.topDownFirst ? 0 : plan.indexAtSplit;
    for (int32_t j = downBegin; j < downEnd; ++j) {
      const ScaleMapEntry& e = g.rowMap[j];
      index += g.MapRows(e.advance);
      const int32_t a = index;
      index += g.MapRows(e.secondOffset);
      emitter.Take(frameRows, RowJob{g.DestinationRow(field, j), g.SourceRow(field, a), g.SourceRow(field, index),
                                     e.weight[0]});
    }
    emitter.Flush(frameRows);
    // Bottom-up half, backward through the map from the index after its last
    // entry; the saved row stands in for the one the top-down half overwrote.
    const int32_t upBegin = plan.topDownFirst ? plan.split : 0;
    const int32_t upEnd = plan.topDownFirst ? plan.count : plan.split;
    const RowSource afterTopDown(g, plan.savedRow);
    index = plan.topDownFirst ? plan.indexAtEnd : plan.indexAtSplit;
    for (int32_t j = upEnd - 1; j >= upBegin; --j) {
      const ScaleMapEntry& e = g.rowMap[j];
      const int32_t b = index;
      index -= g.MapRows(e.secondOffset);
      const int32_t a = index;
      index -= g.MapRows(e.advance);
      emitter.Take(afterTopDown, RowJob{g.DestinationRow(field, j), g.SourceRow(field, a), g.SourceRow(field, b),
                                        e.weight[0]});
    }
    emitter.Flush(afterTopDown);
  }
  return true;
}

}  // namespace xvf
