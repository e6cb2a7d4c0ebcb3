#pragma once
// The rows of the scaler's fast paths as steps, built once per row map and
// geometry: each field's two halves in the field plan's order (field_plan.h),
// rows paired where the emitter writes two together, each step naming the
// source row the step after it reads first, so that it is prefetched while
// the step runs.
#include <cstdint>

#include "engine/field_plan.h"

namespace xvf {

// One destination row, or two (dst[1] >= 0): row i is dst[i], blended from
// the source rows a[i] and b[i] with weight[i]. Rows are picture rows.
struct RowStep {
  int32_t dst[2];
  int32_t a[2], b[2];
  int32_t weight[2];
  int32_t next;  // a source row of the following step of the half (the last step: its own)
};

// One field's steps: [begin, split) read the frame's rows; [split, end) run
// after them, with the saved row standing in for its picture row.
struct FieldSteps {
  int32_t savedRow = -1;
  int32_t begin = 0, split = 0, end = 0;
};

// Which rows one step writes together.
enum class RowPairing {
  kNone,         // one row a step
  kSameSources,  // two rows with the same two sources, both weights nonzero
  kAny,          // any two rows in a row
};

// At most g.rows steps into `steps`, each field's ranges into fields[field];
// false when a field cannot run in place (PlanField).
bool BuildRowSteps(const RowGeometry& g, RowPairing pairing, RowStep* steps, FieldSteps fields[2]);

}  // namespace xvf
