#pragma once
#include <cstdint>

#include "engine/fast_row_kernels.h"
#include "engine/scale_map.h"

namespace xvf {

// Every kernel writes, per byte channel, a + floor((b - a) * w / 4096) of the
// two samples A and B, and writes no other byte.
//
// Vertical kernels blend row A (at `a`) with row B (at a + offset) into a row
// of work pixels (4 bytes each): YUY2 gives Y, U, Y, V per pixel from `count`
// source pairs; RGB24 gives B, G, R, 0 per pixel from `count` pixels.
using VerticalRowKernel = void(const uint8_t* a, int32_t offset, int32_t weight, int32_t count, uint8_t* work);
using VerticalRowFn = VerticalRowKernel*;

// Horizontal kernels resample a work row along a column map: the running
// position starts at `work`, and each of `count` destination pixels takes the
// next entry. They write the frame's own layout at `dst`.
using HorizontalRowKernel = void(const uint8_t* work, const ScaleMapEntry* map, int32_t count, uint8_t* dst);
using HorizontalRowFn = HorizontalRowKernel*;

struct RowKernels {
  VerticalRowFn verticalYuy2;
  VerticalRowFn verticalRgb24;
  HorizontalRowFn horizontalYuy2;     // first destination pixel on an even column
  HorizontalRowFn horizontalYuy2Odd;  // first destination pixel on an odd column
  HorizontalRowFn horizontalRgb24;
  // Fast paths: the in-place row blend, and the byte gather of a column map
  // (null below SSSE3, where the column map takes the two passes).
  LerpRowFn lerpRow = nullptr;
  LerpRowPairFn lerpRowPair = nullptr;
  BlendRowStepsFn blendRowSteps = nullptr;  // null: the emitter's own loop
  GatherRowFn gatherRow = nullptr;
  GatherRowPairFn gatherRowPair = nullptr;  // AVX2 only; else rows one by one
};

// The scalar reference, then the instruction-set versions, each byte-identical
// to it (row_kernels_<level>.cpp); the MMX ones clear the MMX state (EMMS)
// before they return. SSSE3 adds byte shuffles for the YUY2 and RGB24
// rearrangements, AVX2 32 source bytes a step.
VerticalRowKernel VerticalRowYuy2_C, VerticalRowYuy2_MMX, VerticalRowYuy2_SSE2, VerticalRowYuy2_SSSE3,
    VerticalRowYuy2_AVX2;
VerticalRowKernel VerticalRowRgb24_C, VerticalRowRgb24_MMX, VerticalRowRgb24_SSE2, VerticalRowRgb24_SSSE3,
    VerticalRowRgb24_AVX2;
HorizontalRowKernel HorizontalRowYuy2_C, HorizontalRowYuy2_MMX, HorizontalRowYuy2_SSE2;
HorizontalRowKernel HorizontalRowYuy2Odd_C, HorizontalRowYuy2Odd_MMX, HorizontalRowYuy2Odd_SSE2;
HorizontalRowKernel HorizontalRowRgb24_C, HorizontalRowRgb24_MMX, HorizontalRowRgb24_SSE2, HorizontalRowRgb24_SSSE3;

}  // namespace xvf
