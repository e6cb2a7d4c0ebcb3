#pragma once
// The order of the scaler's fast paths: the two passes executed row by row,
// straight into the frame, in an order that never overwrites a row still to
// be read.
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
#include <cstddef>
#include <cstdint>

#include "engine/fast_row_kernels.h"
#include "engine/scale_map.h"

namespace xvf {

// Where one call's rows lie. Rows are picture rows; byte ranges are within a
// row.
struct RowGeometry {
  uint8_t* pictureRow0 = nullptr;
  ptrdiff_t rowStride = 0;  // bytes from one picture row to the one below
  int32_t srcTop = 0, dstTop = 0;
  int32_t rows = 0;    // destination rows
  int32_t fields = 1;  // 2: each field on its own
  const ScaleMapEntry* rowMap = nullptr;
  int32_t rowStep = 0;       // the row map's step
  int32_t srcByteStart = 0, srcBytes = 0;  // bytes of a source row that are read
  int32_t dstByteStart = 0, dstBytes = 0;  // bytes of a destination row that are written
  const GatherBlock* blocks = nullptr;  // null: identity columns, blend straight in
  uint8_t* rowBuffer = nullptr;         // one source row in the frame's layout (gather)
  uint8_t* rowBuffer2 = nullptr;        // a second one, for two rows at a time, or null
  uint8_t* saveBuffer = nullptr;        // the one row both halves need, or null

  uint8_t* Row(int32_t pictureRow) const { return pictureRow0 + static_cast<ptrdiff_t>(pictureRow) * rowStride; }
  int32_t SourceRow(int32_t field, int32_t index) const { return srcTop + field + fields * index; }
  int32_t DestinationRow(int32_t field, int32_t j) const { return dstTop + field + fields * j; }
  // A map offset in rows of the field; almost always -1, 0 or 1, so the
  // division is rarely reached.
  int32_t MapRows(int32_t bytes) const {
    return bytes == 0 ? 0 : bytes == rowStep ? 1 : bytes == -rowStep ? -1 : bytes / rowStep;
  }
};

// The order of one field's rows, computed before anything is written. Entries
// 0 .. split-1 form one half and split .. count-1 the other; the top-down half
// runs first, and savedRow is the one picture row it overwrites that the
// bottom-up half still reads.
struct FieldPlan {
  int32_t field = 0;
  int32_t count = 0;         // rows of this field
  int32_t split = 0;         // first row of the second class
  bool topDownFirst = true;  // rows 0 .. split-1 run top-down (else split .. count-1 do)
  int32_t indexAtSplit = 0;  // running source index before entry `split`
  int32_t indexAtEnd = 0;    // after the last entry
  int32_t savedRow = -1;     // picture row saved before the top-down half, or -1
};

// Plans `field`; false when its rows cannot run in place: a map offset that
// is no whole number of rows, a source pair more than one row apart, classes
// that do not form two halves, or more than one row to save (or one and no
// save buffer).
bool PlanField(const RowGeometry& g, int32_t field, FieldPlan* plan);

}  // namespace xvf
