// The scaler's fast paths: the two passes executed row by row, straight into
// the frame, in an order that never overwrites a row still to be read.
//
// Destination row D(j) is made from source rows S(a_j) and S(b_j), b_j at
// most one row (one field row) past a_j, both non-decreasing in j. Rows whose
// source lies at or below them (S(a_j) >= D(j)) run top-down: a row written
// earlier lies above every row read later. The others run bottom-up: a row
// written earlier lies below every row read later. The top-down half runs
// first; the rows it writes that the bottom-up half still reads are saved
// before it starts. A linear row map needs at most one such row:
//
//   enlarging          source rows        destination rows
//   top-down half      a_0 .. a_k-1  >=   D(0) .. D(k-1)   <- D(k-1) may be a_k
//   bottom-up half     a_k .. a_n-1  <    D(k) .. D(n-1)
//
// By fields each field is a picture of its own (its rows read and write only
// rows of its parity) and runs as one.
#include <cstring>

#include "engine/frame_scaler.h"
#include "engine/gather_table.h"

namespace xvf {
namespace {

// The order of one field's rows.
struct FieldPlan {
  int32_t field;
  int32_t count;          // rows of this field
  int32_t split;          // first row of the second class
  bool topDownFirst;      // rows 0 .. split-1 run top-down (else split .. count-1 do)
  int32_t indexAtSplit;   // running source index before entry `split`
  int32_t indexAtEnd;     // after the last entry
  int32_t savedRow;       // picture row saved before the top-down half, or -1
};

}  // namespace

bool FrameScaler::EnsureGatherTable(const ScaleMapEntry* columns, int32_t count, int32_t skip, int32_t rowPixels,
                                    bool yuy2, bool oddFirst, const GatherBlock** blocks) {
  *blocks = nullptr;
  const GatherShape shape{count, skip, rowPixels, yuy2, oddFirst};
  const size_t mapBytes = static_cast<size_t>(count) * sizeof(ScaleMapEntry);
  // Keyed on the entries themselves: a caller's map may change in place.
  if (!gatherValid_ || !(shape == gatherShape_) || std::memcmp(gatherSource_, columns, mapBytes) != 0) {
    gatherValid_ = false;
    void* source = gatherSource_;
    void* table = gatherBlocks_;
    const bool sourceOk = EnsureBuffer(&source, &gatherSourceCount_, count, sizeof(ScaleMapEntry));
    gatherSource_ = static_cast<ScaleMapEntry*>(source);
    const bool tableOk = EnsureBuffer(&table, &gatherBlockCount_, GatherBlockCount(count, yuy2), sizeof(GatherBlock));
    gatherBlocks_ = static_cast<GatherBlock*>(table);
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
  const int32_t fields = g.fields;
  // Map offsets in rows (of the field); almost always -1, 0 or 1, so the
  // division is rarely reached.
  const int32_t step = g.rowStep;
  auto rows = [step](int32_t bytes) {
    return bytes == 0 ? 0 : bytes == step ? 1 : bytes == -step ? -1 : bytes / step;
  };
  auto sourceRow = [&](int32_t field, int32_t index) { return g.srcTop + field + fields * index; };
  auto destinationRow = [&](int32_t field, int32_t j) { return g.dstTop + field + fields * j; };

  // Plan every field before anything is written.
  FieldPlan plans[2];
  for (int32_t field = 0; field < fields; ++field) {
    FieldPlan& plan = plans[field];
    plan = FieldPlan{field, fields == 1 ? g.rows : (g.rows + 1 - field) / 2, 0, true, 0, 0, -1};
    if (plan.count == 0) continue;
    int32_t index = 0, firstA = 0, splitA = 0, lastB = 0, beforeSplitB = 0;
    bool firstClass = true;
    plan.split = plan.count;
    for (int32_t j = 0; j < plan.count; ++j) {
      const ScaleMapEntry& e = g.rowMap[j];
      if (rows(e.advance) * step != e.advance || rows(e.secondOffset) * step != e.secondOffset) return false;
      const int32_t before = index;
      index += rows(e.advance);
      const int32_t a = index;
      index += rows(e.secondOffset);
      if (index - a != 0 && index - a != 1) return false;
      const bool topDown = sourceRow(field, a) >= destinationRow(field, j);
      if (j == 0) {
        firstClass = topDown;
        firstA = a;
      } else if (plan.split != plan.count) {
        if (topDown == firstClass) return false;  // the classes do not form two halves
      } else if (topDown != firstClass) {
        plan.split = j;
        plan.indexAtSplit = before;
        splitA = a;
      }
      if (j < plan.split || plan.split == plan.count) beforeSplitB = index;
      lastB = index;
    }
    // A plan.split of count means one class only: nothing to save.
    plan.topDownFirst = firstClass;
    plan.indexAtEnd = index;
    if (plan.split == plan.count) {
      plan.topDownFirst = true;
      plan.indexAtSplit = index;
      if (!firstClass) {  // all bottom-up
        plan.split = 0;
        plan.indexAtSplit = 0;
      }
      continue;
    }
    // Rows the top-down half writes and the bottom-up half reads.
    int32_t writtenLow, writtenHigh, readLow, readHigh;
    if (firstClass) {  // top-down 0 .. split-1, bottom-up split .. count-1
      writtenLow = destinationRow(field, 0);
      writtenHigh = destinationRow(field, plan.split - 1);
      readLow = sourceRow(field, splitA);
      readHigh = sourceRow(field, lastB);
    } else {  // bottom-up 0 .. split-1, top-down split .. count-1
      writtenLow = destinationRow(field, plan.split);
      writtenHigh = destinationRow(field, plan.count - 1);
      readLow = sourceRow(field, firstA);
      readHigh = sourceRow(field, beforeSplitB);
    }
    const int32_t low = writtenLow > readLow ? writtenLow : readLow;
    const int32_t high = writtenHigh < readHigh ? writtenHigh : readHigh;
    if (high > low) return false;  // more than one row (rows of a field are `fields` apart)
    if (high == low) {
      if (!g.saveBuffer) return false;
      plan.savedRow = low;
    }
  }

  auto rowAt = [&](int32_t pictureRow) { return g.pictureRow0 + static_cast<ptrdiff_t>(pictureRow) * g.rowStride; };
  const BlendRowFn blend = kernels_.blendRow;
  const GatherRowFn gather = kernels_.gatherRow;
  // One source row for the gather, in the frame's layout, from picture rows
  // a and b; `saved` names the plan whose saved row stands in, if any.
  auto fill = [&](const FieldPlan* saved, int32_t a, int32_t b, int32_t weight, uint8_t* buffer) {
    auto source = [&](int32_t row) -> const uint8_t* {
      if (saved && row == saved->savedRow) return g.saveBuffer;
      return rowAt(row) + g.srcByteStart;
    };
    if (weight == 0) {
      std::memcpy(buffer, source(a), static_cast<size_t>(g.srcBytes));
    } else {
      blend(source(a), source(b), weight, g.srcBytes, buffer);
    }
  };
  // One destination row from source rows a and b (picture rows).
  auto produce = [&](const FieldPlan& plan, bool secondHalf, int32_t j, int32_t a, int32_t b, int32_t weight) {
    const int32_t d = destinationRow(plan.field, j);
    auto source = [&](int32_t row) -> const uint8_t* {
      if (secondHalf && row == plan.savedRow) return g.saveBuffer;
      return rowAt(row) + g.srcByteStart;
    };
    uint8_t* dst = rowAt(d) + g.dstByteStart;
    if (!g.blocks) {
      if (weight == 0) {
        const uint8_t* from = source(a);
        if (from != dst) std::memcpy(dst, from, static_cast<size_t>(g.dstBytes));
      } else {
        blend(source(a), source(b), weight, g.dstBytes, dst);
      }
      return;
    }
    fill(secondHalf ? &plan : nullptr, a, b, weight, g.rowBuffer);
    gather(g.rowBuffer, g.blocks, g.dstBytes, dst);
  };

  for (int32_t field = 0; field < fields; ++field) {
    const FieldPlan& plan = plans[field];
    if (plan.count == 0) continue;
    if (plan.savedRow >= 0) {
      std::memcpy(g.saveBuffer, rowAt(plan.savedRow) + g.srcByteStart, static_cast<size_t>(g.srcBytes));
    }
    // Rows waiting for a neighbour with the same two source rows: with
    // identity columns such pairs are blended together, reading the sources
    // once. The waiting row is the one farther from its sources.
    struct Row {
      int32_t j, a, b, weight;
    };
    bool waiting = false;
    Row held{};
    auto take = [&](bool secondHalf, const Row& row) {
      if (waiting && g.blocks && g.rowBuffer2) {
        // Both source rows are taken before either row is written: neither
        // reads the other's destination (see the order above).
        fill(secondHalf ? &plan : nullptr, held.a, held.b, held.weight, g.rowBuffer);
        fill(secondHalf ? &plan : nullptr, row.a, row.b, row.weight, g.rowBuffer2);
        kernels_.gatherRowPair(g.rowBuffer, g.rowBuffer2, g.blocks, g.dstBytes,
                               rowAt(destinationRow(plan.field, held.j)) + g.dstByteStart,
                               rowAt(destinationRow(plan.field, row.j)) + g.dstByteStart);
        waiting = false;
        return;
      }
      if (waiting && !g.blocks && held.a == row.a && held.b == row.b && held.weight != 0 && row.weight != 0) {
        auto source = [&](int32_t r) -> const uint8_t* {
          if (secondHalf && r == plan.savedRow) return g.saveBuffer;
          return rowAt(r) + g.srcByteStart;
        };
        kernels_.blendRowPair(source(row.a), source(row.b), held.weight, row.weight, g.dstBytes,
                              rowAt(destinationRow(plan.field, held.j)) + g.dstByteStart,
                              rowAt(destinationRow(plan.field, row.j)) + g.dstByteStart);
        waiting = false;
        return;
      }
      if (waiting) produce(plan, secondHalf, held.j, held.a, held.b, held.weight);
      held = row;
      waiting = true;
    };
    auto flush = [&](bool secondHalf) {
      if (waiting) produce(plan, secondHalf, held.j, held.a, held.b, held.weight);
      waiting = false;
    };
    // Top-down half, forward through the map.
    const int32_t downBegin = plan.topDownFirst ? 0 : plan.split;
    const int32_t downEnd = plan.topDownFirst ? plan.split : plan.count;
    const int32_t upBegin = plan.topDownFirst ? plan.split : 0;  // bottom-up half: upEnd - 1 down to upBegin
    const int32_t upEnd = plan.topDownFirst ? plan.count : plan.split;
    int32_t index = plan.topDownFirst ? 0 : plan.indexAtSplit;
    for (int32_t j = downBegin; j < downEnd; ++j) {
      const ScaleMapEntry& e = g.rowMap[j];
      index += rows(e.advance);
      const int32_t a = index;
      index += rows(e.secondOffset);
      take(false, Row{j, sourceRow(field, a), sourceRow(field, index), e.weight[0]});
    }
    flush(false);
    // Bottom-up half, backward through the map from the index after its last entry.
    const bool secondHalf = downEnd > downBegin;
    index = plan.topDownFirst ? plan.indexAtEnd : plan.indexAtSplit;
    for (int32_t j = upEnd - 1; j >= upBegin; --j) {
      const ScaleMapEntry& e = g.rowMap[j];
      const int32_t b = index;
      index -= rows(e.secondOffset);
      const int32_t a = index;
      index -= rows(e.advance);
      take(secondHalf, Row{j, sourceRow(field, a), sourceRow(field, b), e.weight[0]});
    }
    flush(secondHalf);
  }
  return true;
}

}  // namespace xvf
