#pragma once
// The rows a half of the fast paths reads, and the identity emitter's steps
// (row_emitter.h). Also compiled into the AVX2 kernel file with its blends
// inlined (RowKernels::blendRowSteps), so all of it has internal linkage and
// calls no inline function of another header (RowGeometry::Row included):
// no copy built for a wider instruction set can stand in for baseline code.
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "engine/fast_row_kernels.h"
#include "engine/field_plan.h"
#include "engine/row_steps.h"

namespace xvf {
namespace {

inline uint8_t* FrameRow(const RowGeometry& g, int32_t pictureRow) {
  return g.pictureRow0 + static_cast<ptrdiff_t>(pictureRow) * g.rowStride;
}

// The source rows one half reads: the frame's rows, except that the saved
// row stands in for its picture row in the half that runs after the
// top-down half overwrote it. Pointers are to the first byte read.
class RowSource {
 public:
  RowSource(const RowGeometry& g, int32_t savedRow) : g_(g), savedRow_(savedRow) {}
  const uint8_t* Row(int32_t pictureRow) const {
    return pictureRow == savedRow_ ? g_.saveBuffer : FrameRow(g_, pictureRow) + g_.srcByteStart;
  }

 private:
  const RowGeometry& g_;
  int32_t savedRow_;  // -1: none stands in
};

// One identity step: a destination row is the byte-wise blend of its two
// source rows; a step of two rows has the same sources
// (RowPairing::kSameSources), read once. `Blends` has lerpRow and
// lerpRowPair: RowKernels' pointers, or InlinedBlends.
template <typename Blends>
inline void BlendStep(const RowGeometry& g, const Blends& blends, const RowSource& source, const RowStep& step) {
  const uint8_t* a = source.Row(step.a[0]);
  uint8_t* dst = FrameRow(g, step.dst[0]) + g.dstByteStart;
  if (step.dst[1] >= 0) {
    blends.lerpRowPair(a, source.Row(step.b[0]), step.weight[0], step.weight[1], g.dstBytes, dst,
                       FrameRow(g, step.dst[1]) + g.dstByteStart, source.Row(step.next));
  } else if (step.weight[0] != 0) {
    blends.lerpRow(a, source.Row(step.b[0]), step.weight[0], g.dstBytes, dst, source.Row(step.next));
  } else if (a != dst) {
    std::memcpy(dst, a, static_cast<size_t>(g.dstBytes));
  }
}

template <typename Blends>
inline void BlendSteps(const RowGeometry& g, const Blends& blends, int32_t savedRow, const RowStep* steps,
                       int32_t count) {
  const RowSource source(g, savedRow);
  for (int32_t k = 0; k < count; ++k) BlendStep(g, blends, source, steps[k]);
}

// A level's blends named at compile time, for BlendRowSteps_AVX2 (marked
// flatten, so that they inline whatever their size). Through RowKernels'
// pointers each row paid a call, its arguments and the blend's prologue and
// constants: a fit-width frame makes three calls per four rows.
template <LerpRowFn kLerpRow, LerpRowPairFn kLerpRowPair>
struct InlinedBlends {
  static void lerpRow(const uint8_t* a, const uint8_t* b, int32_t weight, int32_t bytes, uint8_t* dst,
                      const uint8_t* next) {
    kLerpRow(a, b, weight, bytes, dst, next);
  }
  static void lerpRowPair(const uint8_t* a, const uint8_t* b, int32_t weight0, int32_t weight1, int32_t bytes,
                          uint8_t* dst0, uint8_t* dst1, const uint8_t* next) {
    kLerpRowPair(a, b, weight0, weight1, bytes, dst0, dst1, next);
  }
};

}  // namespace
}  // namespace xvf
