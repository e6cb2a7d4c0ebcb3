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
    if (!hysteresis_.Ensure(&t->blocks, &t->blockCount, GatherBlockCount(count, yuy2))) return false;
    t->expressible = BuildGatherBlocks(columns, count, skip, rowPixels, yuy2, oddFirst, t->blocks.get());
    return true;
  });
  if (ok && gather_.table.expressible) *blocks = gather_.table.blocks.get();
  return ok;
}

bool FrameScaler::EnsureRowSteps(const RowGeometry& g, RowPairing pairing, bool* planned) {
  const RowStepsKey key{rowMap_.key, g.srcTop, g.dstTop, g.rows, g.fields, g.saveBuffer != nullptr, pairing};
  const bool ok = Refresh(&rowSteps_, key, nullptr, 0, [&](RowStepTable* t) {
    if (!hysteresis_.Ensure(&t->steps, &t->stepCount, g.rows)) return false;
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

bool FrameScaler::ChoosePath(Call* c, Path* path) {
  *path = Path::kTwoPasses;
  if (!fastPaths_) return true;
  // Rows that are their own sources: resampled in place along a column plan.
  const bool inPlaceColumns = columnKernels_.resampleRows || columnKernels_.resampleBands;
  if (!c->identity && inPlaceColumns && rowMap_.ownSources && c->src.top == c->visible.top) {
    const ColumnShape shape{c->visible.Width(), c->skip, c->x1 - c->x0, c->yuy2, (c->visible.left & 1) != 0,
                            c->x0 * c->bytesPerPixel, c->visible.left * c->bytesPerPixel, c->rowBytes};
    bool planned = false;
    if (!EnsureColumnPlan(c->columns, shape, &planned)) return false;
    if (planned) {
      *path = Path::kInPlaceColumns;
      return true;
    }
  }
  const GatherBlock* blocks = nullptr;
  if (!c->identity && kernels_.gatherRow &&
      !EnsureGatherTable(c->columns, c->visible.Width(), c->skip, c->x1 - c->x0, c->yuy2, (c->visible.left & 1) != 0,
                         &blocks)) {
    return false;
  }
  // The work buffer holds the row buffer (its first row, with room for the
  // 16-byte window loads past the row), the saved row (its second) and a
  // second row buffer (its third).
  const ptrdiff_t workStride = static_cast<ptrdiff_t>(work_.capWidth) * 4;
  RowGeometry& g = c->rows;
  g.pictureRow0 = c->pictureRow0;
  g.rowStride = c->rowStride;
  g.srcTop = c->src.top;
  g.dstTop = c->visible.top;
  g.rows = c->visible.Height();
  g.fields = c->byFields ? 2 : 1;
  g.rowMap = rowMap_.entries.get();
  g.rowStep = rowMap_.key.step;
  g.srcByteStart = (c->identity ? c->src.left : c->x0) * c->bytesPerPixel;
  g.srcBytes = (c->identity ? c->src.Width() : c->x1 - c->x0) * c->bytesPerPixel;
  g.dstByteStart = c->visible.left * c->bytesPerPixel;
  g.dstBytes = c->visible.Width() * c->bytesPerPixel;
  g.blocks = blocks;
  g.rowBuffer = work_.bytes.get();
  g.saveBuffer = work_.capHeight >= 2 ? work_.bytes.get() + workStride : nullptr;
  g.rowBuffer2 = work_.capHeight >= 3 && kernels_.gatherRowPair ? work_.bytes.get() + 2 * workStride : nullptr;
  const int64_t workBytes = static_cast<int64_t>(workStride) * work_.capHeight;
  const bool roomForRow = g.srcBytes + 16 <= workStride && g.srcBytes + 16 <= workBytes;
  if (!c->identity && !(blocks && roomForRow)) return true;
  // Unless the row map needs more than one saved row.
  const RowPairing pairing =
      !g.blocks ? RowPairing::kSameSources : g.rowBuffer2 ? RowPairing::kAny : RowPairing::kNone;
  bool planned = false;
  if (!EnsureRowSteps(g, pairing, &planned)) return false;
  if (planned) *path = c->identity ? Path::kIdentityRows : Path::kGatherRows;
  return true;
}

void FrameScaler::RunIdentityRows(const RowGeometry& g) const { RunRowSteps(g, IdentityColumnsEmitter(g, kernels_)); }

void FrameScaler::RunGatherRows(const RowGeometry& g) const { RunRowSteps(g, GatherColumnsEmitter(g, kernels_)); }

}  // namespace xvf
