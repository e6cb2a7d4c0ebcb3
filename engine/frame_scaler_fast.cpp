// The scaler's fast paths: each field planned before anything is written
// (field_plan.h, with the sketch of the order) into steps kept per row map
// and geometry (row_steps.h), which a row emitter writes (row_emitter.h).
#include <cstring>

#include "engine/field_plan.h"
#include "engine/frame_scaler.h"
#include "engine/gather_table.h"
#include "engine/row_emitter.h"
#include "engine/row_steps.h"

namespace xvf {

bool FrameScaler::EnsureGatherTable(const ScaleMapEntry* columns, int32_t count, int32_t skip, int32_t rowPixels,
                                    bool yuy2, bool oddFirst, const GatherBlock** blocks) {
  *blocks = nullptr;
  const GatherShape shape{count, skip, rowPixels, yuy2, oddFirst};
  const bool ok = Refresh(&gather_, shape, columns, count, [&](GatherTable* t) {
    if (!EnsureBuffer(&t->blocks, &t->blockCount, GatherBlockCount(count, yuy2))) return false;
    t->expressible = BuildGatherBlocks(columns, count, skip, rowPixels, yuy2, oddFirst, t->blocks.get());
    return true;
  });
  if (ok && gather_.table.expressible) *blocks = gather_.table.blocks.get();
  return ok;
}

bool FrameScaler::EnsureRowSteps(const RowGeometry& g, RowPairing pairing, bool* planned) {
  const RowStepsKey key{rowMap_.key, g.srcTop, g.dstTop, g.rows, g.fields, g.saveBuffer != nullptr, pairing};
  const bool ok = Refresh(&rowSteps_, key, nullptr, 0, [&](RowStepTable* t) {
    if (!EnsureBuffer(&t->steps, &t->stepCount, g.rows)) return false;
    t->planned = BuildRowSteps(g, pairing, t->steps.get(), t->fields);
    return true;
  });
  *planned = ok && rowSteps_.table.planned;
  return ok;
}

template <typename Emitter>
void FrameScaler::RunRowSteps(const RowGeometry& g, const Emitter& emitter) const {
  for (int32_t field = 0; field < g.fields; ++field) {
    const RowStepTable& t = rowSteps_.table;
    const FieldSteps& f = t.fields[field];
    if (f.savedRow >= 0) {
      std::memcpy(g.saveBuffer, g.Row(f.savedRow) + g.srcByteStart, static_cast<size_t>(g.srcBytes));
    }
    emitter.RunSteps(-1, t.steps.get() + f.begin, f.split - f.begin);
    emitter.RunSteps(f.savedRow, t.steps.get() + f.split, f.end - f.split);
  }
}

bool FrameScaler::ScaleRowsInPlace(const RowGeometry& g, bool* ran) {
  *ran = false;
  const RowPairing pairing =
      !g.blocks ? RowPairing::kSameSources : g.rowBuffer2 ? RowPairing::kAny : RowPairing::kNone;
  bool planned = false;
  if (!EnsureRowSteps(g, pairing, &planned)) return false;
  if (!planned) return true;
  *ran = true;
  if (g.blocks) {
    RunRowSteps(g, GatherColumnsEmitter(g, kernels_));
  } else {
    RunRowSteps(g, IdentityColumnsEmitter(g, kernels_));
  }
  return true;
}

}  // namespace xvf
