#include "engine/field_plan.h"

namespace xvf {

bool PlanField(const RowGeometry& g, int32_t field, FieldPlan* out) {
  FieldPlan& plan = *out;
  plan = FieldPlan{};
  plan.field = field;
  plan.count = g.fields == 1 ? g.rows : (g.rows + 1 - field) / 2;
  if (plan.count == 0) return true;
  int32_t index = 0, firstA = 0, splitA = 0, lastB = 0, beforeSplitB = 0;
  bool firstClass = true;
  plan.split = plan.count;
  for (int32_t j = 0; j < plan.count; ++j) {
    const ScaleMapEntry& e = g.rowMap[j];
    if (g.MapRows(e.advance) * g.rowStep != e.advance || g.MapRows(e.secondOffset) * g.rowStep != e.secondOffset) {
      return false;
    }
    const int32_t before = index;
    index += g.MapRows(e.advance);
    const int32_t a = index;
    index += g.MapRows(e.secondOffset);
    if (index - a != 0 && index - a != 1) return false;
    const bool topDown = g.SourceRow(field, a) >= g.DestinationRow(field, j);
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
  // A split of count means one class only: nothing to save.
  plan.topDownFirst = firstClass;
  plan.indexAtEnd = index;
  if (plan.split == plan.count) {
    plan.topDownFirst = true;
    plan.indexAtSplit = index;
    if (!firstClass) {  // all bottom-up
      plan.split = 0;
      plan.indexAtSplit = 0;
    }
    return true;
  }
  // Rows the top-down half writes and the bottom-up half reads.
  int32_t writtenLow, writtenHigh, readLow, readHigh;
  if (firstClass) {  // top-down 0 .. split-1, bottom-up split .. count-1
    writtenLow = g.DestinationRow(field, 0);
    writtenHigh = g.DestinationRow(field, plan.split - 1);
    readLow = g.SourceRow(field, splitA);
    readHigh = g.SourceRow(field, lastB);
  } else {  // bottom-up 0 .. split-1, top-down split .. count-1
    writtenLow = g.DestinationRow(field, plan.split);
    writtenHigh = g.DestinationRow(field, plan.count - 1);
    readLow = g.SourceRow(field, firstA);
    readHigh = g.SourceRow(field, beforeSplitB);
  }
  const int32_t low = writtenLow > readLow ? writtenLow : readLow;
  const int32_t high = writtenHigh < readHigh ? writtenHigh : readHigh;
  if (high > low) return false;  // more than one row (rows of a field are `fields` apart)
  if (high == low) {
    if (!g.saveBuffer) return false;
    plan.savedRow = low;
  }
  return true;
}

}  // namespace xvf
