#include "engine/row_kernels.h"

namespace xvf {

RowKernels RowKernelsFor(CpuLevel level) {
  // Scalar first, then each instruction set up to `level` replaces the
  // kernels it does better.
  RowKernels k{VerticalRowYuy2_C, VerticalRowRgb24_C, HorizontalRowYuy2_C, HorizontalRowYuy2Odd_C,
               HorizontalRowRgb24_C, LerpRow_C, LerpRowPair_C, nullptr};
  if (level >= CpuLevel::Mmx) {
    k.verticalYuy2 = VerticalRowYuy2_MMX;
    k.verticalRgb24 = VerticalRowRgb24_MMX;
    k.horizontalYuy2 = HorizontalRowYuy2_MMX;
    k.horizontalYuy2Odd = HorizontalRowYuy2Odd_MMX;
    k.horizontalRgb24 = HorizontalRowRgb24_MMX;
    k.lerpRow = LerpRow_MMX;
    k.lerpRowPair = LerpRowPair_MMX;
  }
  if (level >= CpuLevel::Sse2) {
    k.verticalYuy2 = VerticalRowYuy2_SSE2;
    k.verticalRgb24 = VerticalRowRgb24_SSE2;
    k.horizontalYuy2 = HorizontalRowYuy2_SSE2;
    k.horizontalYuy2Odd = HorizontalRowYuy2Odd_SSE2;
    k.horizontalRgb24 = HorizontalRowRgb24_SSE2;
    k.lerpRow = LerpRow_SSE2;
    k.lerpRowPair = LerpRowPair_SSE2;
  }
  // The horizontal kernels are bound by their per-pixel gathers: the YUY2
  // ones stay SSE2 at every level and RGB24 stops at SSSE3, since the wider
  // versions measured no faster.
  if (level >= CpuLevel::Ssse3) {
    k.verticalYuy2 = VerticalRowYuy2_SSSE3;
    k.verticalRgb24 = VerticalRowRgb24_SSSE3;
    k.horizontalRgb24 = HorizontalRowRgb24_SSSE3;
    k.lerpRow = LerpRow_SSSE3;
    k.lerpRowPair = LerpRowPair_SSSE3;
    k.gatherRow = GatherRow_SSSE3;
  }
  if (level >= CpuLevel::Avx2) {
    k.verticalYuy2 = VerticalRowYuy2_AVX2;
    k.verticalRgb24 = VerticalRowRgb24_AVX2;
    k.lerpRow = LerpRow_AVX2;
    k.lerpRowPair = LerpRowPair_AVX2;
    k.blendRowSteps = BlendRowSteps_AVX2;
    k.gatherRow = GatherRow_AVX2;
    k.gatherRowPair = GatherRowPair_AVX2;
  }
  return k;
}

const RowKernels& ActiveRowKernels() {
  static const RowKernels active = RowKernelsFor(UsableCpuLevel());
  return active;
}

}  // namespace xvf
