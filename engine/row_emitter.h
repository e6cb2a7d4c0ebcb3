#pragma once
// How the fast paths write the steps of a half (row_steps.h); their order
// is the field plan's.
#include <cstdint>
#include <cstring>

#include "engine/field_plan.h"
#include "engine/row_kernels.h"
#include "engine/row_steps.h"

namespace xvf {

// The source rows one half reads: the frame's rows, except that the saved
// row stands in for its picture row in the half that runs after the
// top-down half overwrote it. Pointers are to the first byte read.
class RowSource {
 public:
  RowSource(const RowGeometry& g, int32_t savedRow) : g_(g), savedRow_(savedRow) {}
  const uint8_t* Row(int32_t pictureRow) const {
    return pictureRow == savedRow_ ? g_.saveBuffer : g_.Row(pictureRow) + g_.srcByteStart;
  }

 private:
  const RowGeometry& g_;
  int32_t savedRow_;  // -1: none stands in
};

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

// Identity columns: a destination row is the byte-wise blend of its two
// source rows; a step of two rows has the same sources
// (RowPairing::kSameSources), read once.
class IdentityColumnsEmitter : public RowEmitter {
 public:
  using RowEmitter::RowEmitter;

  void Run(const RowSource& source, const RowStep& step) const {
    const uint8_t* a = source.Row(step.a[0]);
    uint8_t* dst = Destination(step.dst[0]);
    if (step.dst[1] >= 0) {
      kernels_.lerpRowPair(a, source.Row(step.b[0]), step.weight[0], step.weight[1], g_.dstBytes, dst,
                           Destination(step.dst[1]), source.Row(step.next));
    } else if (step.weight[0] != 0) {
      kernels_.lerpRow(a, source.Row(step.b[0]), step.weight[0], g_.dstBytes, dst, source.Row(step.next));
    } else if (a != dst) {
      std::memcpy(dst, a, static_cast<size_t>(g_.dstBytes));
    }
  }
};

// A column map the gather blocks express: the source rows are blended into a
// row buffer in the frame's layout, which is gathered into the frame. Two
// rows a step (RowPairing::kAny) need the second row buffer.
class GatherColumnsEmitter : public RowEmitter {
 public:
  using RowEmitter::RowEmitter;

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

 private:
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
