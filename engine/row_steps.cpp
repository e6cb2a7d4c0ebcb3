#include "engine/row_steps.h"

namespace xvf {
namespace {

// Appends rows as steps, pairing a row with the one held before it.
class StepWriter {
 public:
  StepWriter(RowPairing pairing, RowStep* steps) : pairing_(pairing), steps_(steps) {}

  void Take(int32_t dst, int32_t a, int32_t b, int32_t weight) {
    if (holding_) {
      RowStep& held = steps_[count_ - 1];
      const bool pairs = pairing_ == RowPairing::kAny ||
                         (pairing_ == RowPairing::kSameSources && held.a[0] == a && held.b[0] == b &&
                          held.weight[0] != 0 && weight != 0);
      if (pairs) {
        held.dst[1] = dst;
        held.a[1] = a;
        held.b[1] = b;
        held.weight[1] = weight;
        holding_ = false;
        return;
      }
    }
    steps_[count_++] = RowStep{{dst, -1}, {a, a}, {b, b}, {weight, 0}, a};
    holding_ = pairing_ != RowPairing::kNone;
  }

  // Ends a half that began at step `begin`: each step prefetches the row the
  // following one reads first, the lower one bottom-up and the upper one
  // top-down (picture rows grow downwards).
  void EndHalf(int32_t begin, bool topDown) {
    holding_ = false;
    for (int32_t k = begin; k < count_; ++k) {
      const RowStep& following = steps_[k + 1 < count_ ? k + 1 : k];
      steps_[k].next = topDown ? following.b[0] : following.a[0];
    }
  }
  int32_t count() const { return count_; }

 private:
  RowPairing pairing_;
  RowStep* steps_;
  int32_t count_ = 0;
  bool holding_ = false;
};

}  // namespace

bool BuildRowSteps(const RowGeometry& g, RowPairing pairing, RowStep* steps, FieldSteps fields[2]) {
  FieldPlan plans[2];
  for (int32_t field = 0; field < g.fields; ++field) {
    if (!PlanField(g, field, &plans[field])) return false;
  }
  StepWriter writer(pairing, steps);
  for (int32_t field = 0; field < g.fields; ++field) {
    const FieldPlan& plan = plans[field];
    FieldSteps& out = fields[field];
    out = FieldSteps{};
    out.savedRow = plan.savedRow;
    out.begin = writer.count();
    // Top-down half, forward through the map.
    const int32_t downBegin = plan.topDownFirst ? 0 : plan.split;
    const int32_t downEnd = plan.topDownFirst ? plan.split : plan.count;
    int32_t index = plan.topDownFirst ? 0 : plan.indexAtSplit;
    for (int32_t j = downBegin; j < downEnd; ++j) {
      const ScaleMapEntry& e = g.rowMap[j];
      index += g.MapRows(e.advance);
      const int32_t a = index;
      index += g.MapRows(e.secondOffset);
      writer.Take(g.DestinationRow(field, j), g.SourceRow(field, a), g.SourceRow(field, index), e.weight[0]);
    }
    writer.EndHalf(out.begin, true);
    out.split = writer.count();
    // Bottom-up half, backward through the map from the index after its last entry.
    const int32_t upBegin = plan.topDownFirst ? plan.split : 0;
    const int32_t upEnd = plan.topDownFirst ? plan.count : plan.split;
    index = plan.topDownFirst ? plan.indexAtEnd : plan.indexAtSplit;
    for (int32_t j = upEnd - 1; j >= upBegin; --j) {
      const ScaleMapEntry& e = g.rowMap[j];
      const int32_t b = index;
      index -= g.MapRows(e.secondOffset);
      const int32_t a = index;
      index -= g.MapRows(e.advance);
      writer.Take(g.DestinationRow(field, j), g.SourceRow(field, a), g.SourceRow(field, b), e.weight[0]);
    }
    writer.EndHalf(out.split, false);
    out.end = writer.count();
  }
  return true;
}

}  // namespace xvf
