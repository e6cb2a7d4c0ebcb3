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
using VerticalRowFn = void (*)(const uint8_t* a, int32_t offset, int32_t weight, int32_t count, uint8_t* work);

// Horizontal kernels resample a work row along a column map: the running
// position starts at `work`, and each of `count` destination pixels takes the
// next entry. They write the frame's own layout at `dst`.
using HorizontalRowFn = void (*)(const uint8_t* work, const ScaleMapEntry* map, int32_t count, uint8_t* dst);

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

// Scalar reference kernels.
void VerticalRowYuy2_C(const uint8_t* a, int32_t offset, int32_t weight, int32_t count, uint8_t* work);
void VerticalRowRgb24_C(const uint8_t* a, int32_t offset, int32_t weight, int32_t count, uint8_t* work);
void HorizontalRowYuy2_C(const uint8_t* work, const ScaleMapEntry* map, int32_t count, uint8_t* dst);
void HorizontalRowYuy2Odd_C(const uint8_t* work, const ScaleMapEntry* map, int32_t count, uint8_t* dst);
void HorizontalRowRgb24_C(const uint8_t* work, const ScaleMapEntry* map, int32_t count, uint8_t* dst);

// Instruction-set versions, each byte-identical to its scalar reference.
// Declared here, defined in row_kernels_<isa>.cpp.
// MMX with integer SSE: 64-bit mm registers; each clears the MMX state (EMMS)
// before it returns.
void VerticalRowYuy2_MMX(const uint8_t* a, int32_t offset, int32_t weight, int32_t count, uint8_t* work);
void VerticalRowRgb24_MMX(const uint8_t* a, int32_t offset, int32_t weight, int32_t count, uint8_t* work);
void HorizontalRowYuy2_MMX(const uint8_t* work, const ScaleMapEntry* map, int32_t count, uint8_t* dst);
void HorizontalRowYuy2Odd_MMX(const uint8_t* work, const ScaleMapEntry* map, int32_t count, uint8_t* dst);
void HorizontalRowRgb24_MMX(const uint8_t* work, const ScaleMapEntry* map, int32_t count, uint8_t* dst);

void VerticalRowYuy2_SSE2(const uint8_t* a, int32_t offset, int32_t weight, int32_t count, uint8_t* work);
void VerticalRowRgb24_SSE2(const uint8_t* a, int32_t offset, int32_t weight, int32_t count, uint8_t* work);
void HorizontalRowYuy2_SSE2(const uint8_t* work, const ScaleMapEntry* map, int32_t count, uint8_t* dst);
void HorizontalRowYuy2Odd_SSE2(const uint8_t* work, const ScaleMapEntry* map, int32_t count, uint8_t* dst);
void HorizontalRowRgb24_SSE2(const uint8_t* work, const ScaleMapEntry* map, int32_t count, uint8_t* dst);

// SSSE3: byte shuffles for the YUY2 and RGB24 rearrangements.
void VerticalRowYuy2_SSSE3(const uint8_t* a, int32_t offset, int32_t weight, int32_t count, uint8_t* work);
void VerticalRowRgb24_SSSE3(const uint8_t* a, int32_t offset, int32_t weight, int32_t count, uint8_t* work);
void HorizontalRowRgb24_SSSE3(const uint8_t* work, const ScaleMapEntry* map, int32_t count, uint8_t* dst);

// AVX2: 32 source bytes a step.
void VerticalRowYuy2_AVX2(const uint8_t* a, int32_t offset, int32_t weight, int32_t count, uint8_t* work);
void VerticalRowRgb24_AVX2(const uint8_t* a, int32_t offset, int32_t weight, int32_t count, uint8_t* work);

}  // namespace xvf
