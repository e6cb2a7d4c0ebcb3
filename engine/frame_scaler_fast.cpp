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

bool FrameScaler::EnsureRowSteps(const RowGeometry& g, RowPairing pairing, bool* planned) {
  *planned = false;
  const RowStepsKey key{rowMap_.key, g.srcTop, g.dstTop, g.rows, g.fields, g.saveBuffer != nullptr, pairing};
  if (!rowStepsValid_ || !(key == rowStepsKey_)) {
    rowStepsValid_ = false;
    if (!EnsureBuffer(&rowSteps_, &rowStepCount_, g.rows)) return false;
    rowStepsPlanned_ = BuildRowSteps(g, pairing, rowSteps_, rowFields_);
    rowStepsKey_ = key;
    rowStepsValid_ = true;
    ++rowStepBuilds_;
  }
  *planned = rowStepsPlanned_;
  return true;
}

template <typename Emitter>
void FrameScaler::RunRowSteps(const RowGeometry& g, const Emitter& emitter) const {
  for (int32_t field = 0; field < g.fields; ++field) {
    const FieldSteps& f = rowFields_[field];
    if (f.savedRow >= 0) {
      std::memcpy(g.saveBuffer, g.Row(f.savedRow) + g.srcByteStart, static_cast<size_t>(g.srcBytes));
    }
    emitter.RunSteps(-1, rowSteps_ + f.begin, f.split - f.begin);
    emitter.RunSteps(f.savedRow, rowSteps_ + f.split, f.end - f.split);
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
