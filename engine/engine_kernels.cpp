#include "engine/engine_kernels.h"

namespace xvf {

EngineKernels EngineKernelsFor(CpuLevel level) {
  EngineKernels k{};
  RowKernels& rows = k.rows;
  rows.verticalYuy2 = VerticalRowYuy2_C;
  rows.verticalRgb24 = VerticalRowRgb24_C;
  rows.horizontalYuy2 = HorizontalRowYuy2_C;
  rows.horizontalYuy2Odd = HorizontalRowYuy2Odd_C;
  rows.horizontalRgb24 = HorizontalRowRgb24_C;
  rows.lerpRow = LerpRow_C;
  rows.lerpRowPair = LerpRowPair_C;
  PaintKernels& paint = k.paint;
  paint.opaqueYuy2 = OpaqueRowYuy2_C;
  paint.opaqueYuy2Odd = OpaqueRowYuy2Odd_C;
  paint.blendYuy2 = BlendRowYuy2_C;
  paint.blendYuy2Odd = BlendRowYuy2Odd_C;
  paint.opaqueRgb24 = OpaqueRowRgb24_C;
  paint.blendRgb24 = BlendRowRgb24_C;
  // No column kernel below SSE2: a scalar in-place resampler measured slower
  // than the two passes, which those levels keep.
  if (level < CpuLevel::Mmx) return k;

  rows.verticalYuy2 = VerticalRowYuy2_MMX;
  rows.verticalRgb24 = VerticalRowRgb24_MMX;
  rows.horizontalYuy2 = HorizontalRowYuy2_MMX;
  rows.horizontalYuy2Odd = HorizontalRowYuy2Odd_MMX;
  rows.horizontalRgb24 = HorizontalRowRgb24_MMX;
  rows.lerpRow = LerpRow_MMX;
  rows.lerpRowPair = LerpRowPair_MMX;
  // The MMX painters serve every higher level too.
  paint.opaqueYuy2 = OpaqueRowYuy2_MMX;
  paint.opaqueYuy2Odd = OpaqueRowYuy2Odd_MMX;
  paint.blendYuy2 = BlendRowYuy2_MMX;
  paint.blendYuy2Odd = BlendRowYuy2Odd_MMX;
  paint.opaqueRgb24 = OpaqueRowRgb24_MMX;
  paint.blendRgb24 = BlendRowRgb24_MMX;
  if (level < CpuLevel::Sse2) return k;

  rows.verticalYuy2 = VerticalRowYuy2_SSE2;
  rows.verticalRgb24 = VerticalRowRgb24_SSE2;
  rows.horizontalYuy2 = HorizontalRowYuy2_SSE2;
  rows.horizontalYuy2Odd = HorizontalRowYuy2Odd_SSE2;
  rows.horizontalRgb24 = HorizontalRowRgb24_SSE2;
  rows.lerpRow = LerpRow_SSE2;
  rows.lerpRowPair = LerpRowPair_SSE2;
  // SSE2 has no byte shuffle: its column kernel works across bands of 16 rows.
  k.columns.resampleBands = ResampleColumns_SSE2;
  if (level < CpuLevel::Ssse3) return k;

  // The horizontal kernels are bound by their per-pixel gathers: the YUY2
  // ones stay SSE2 at every level and RGB24 stops at SSSE3, since the wider
  // versions measured no faster.
  rows.verticalYuy2 = VerticalRowYuy2_SSSE3;
  rows.verticalRgb24 = VerticalRowRgb24_SSSE3;
  rows.horizontalRgb24 = HorizontalRowRgb24_SSSE3;
  rows.lerpRow = LerpRow_SSSE3;
  rows.lerpRowPair = LerpRowPair_SSSE3;
  rows.gatherRow = GatherRow_SSSE3;
  k.columns.resampleRows = ResampleColumns_SSSE3;
  if (level < CpuLevel::Avx2) return k;

  rows.verticalYuy2 = VerticalRowYuy2_AVX2;
  rows.verticalRgb24 = VerticalRowRgb24_AVX2;
  rows.lerpRow = LerpRow_AVX2;
  rows.lerpRowPair = LerpRowPair_AVX2;
  rows.blendRowSteps = BlendRowSteps_AVX2;
  rows.gatherRow = GatherRow_AVX2;
  rows.gatherRowPair = GatherRowPair_AVX2;
  k.columns.resampleRows = ResampleColumns_AVX2;
  return k;
}

const EngineKernels& ActiveEngineKernels() {
  static const EngineKernels active = EngineKernelsFor(UsableCpuLevel());
  return active;
}

}  // namespace xvf
