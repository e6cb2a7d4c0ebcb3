#pragma once
// How the fast paths write the steps of a half (row_steps.h); their order
// is the field plan's.
#include <cstdint>
#include <cstring>

#include "engine/blend_steps.h"
#include "engine/field_plan.h"
#include "engine/row_kernels.h"
#include "engine/row_steps.h"

namespace xvf {

// A step of two rows reads both rows' sources before it writes either, so
// the half's order still never overwrites a row that is yet to be read.
// One emitter per way of producing a row from its two sources.
class RowEmitter {
 public:
  RowEmitter(const RowGeometry& g, const RowKernels& kernels) : g_(g), kernels_(kernels) {}

 protected:
  uint8_t* Destination(int32_t row) const { return g_.Row(row) + g_.dstByteStart; }

  const RowGeometry& g_;
  const RowKernels& kernels_;
};

// Identity columns: the steps of a half run in the level's own loop, its
// blends inlined, where the level has one (RowKernels::blendRowSteps).
class IdentityColumnsEmitter : public RowEmitter {
 public:
  using RowEmitter::RowEmitter;

  // The steps of one half; `savedRow` stands in as for RowSource.
  void RunSteps(int32_t savedRow, const RowStep* steps, int32_t count) const {
    if (kernels_.blendRowSteps) {
      kernels_.blendRowSteps(g_, savedRow, steps, count);
      return;
    }
    BlendSteps(g_, kernels_, savedRow, steps, count);
  }
};

// A column map the gather blocks express: the source rows are blended into a
// row buffer in the frame's layout, which is gathered into the frame. Two
// rows a step (RowPairing::kAny) need the second row buffer.
class GatherColumnsEmitter : public RowEmitter {
 public:
  using RowEmitter::RowEmitter;

  void RunSteps(int32_t savedRow, const RowStep* steps, int32_t count) const {
    const RowSource source(g_, savedRow);
    for (int32_t k = 0; k < count; ++k) Run(source, steps[k]);
  }

 private:
  void Run(const RowSource& source, const RowStep& step) const {
    Fill(source, step, 0, g_.rowBuffer);
    if (step.dst[1] < 0) {
      kernels_.gatherRow(g_.rowBuffer, g_.blocks, g_.dstBytes, Destination(step.dst[0]));
      return;
    }
    Fill(source, step, 1, g_.rowBuffer2);
    kernels_.gatherRowPair(g_.rowBuffer, g_.rowBuffer2, g_.blocks, g_.dstBytes, Destination(step.dst[0]),
                           Destination(step.dst[1]));
  }

  // Row `which` of the step blended (or copied) into `buffer`.
  void Fill(const RowSource& source, const RowStep& step, int which, uint8_t* buffer) const {
    const uint8_t* a = source.Row(step.a[which]);
    if (step.weight[which] == 0) {
      std::memcpy(buffer, a, static_cast<size_t>(g_.srcBytes));
    } else {
      kernels_.lerpRow(a, source.Row(step.b[which]), step.weight[which], g_.srcBytes, buffer,
                       source.Row(step.next));
    }
  }
};

}  // namespace xvf
