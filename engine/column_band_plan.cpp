#include "engine/column_band_plan.h"

#include <cstdint>

namespace xvf {
namespace {

// The arena: taps and the band scratch, then build scratch.
struct Arena {
  ColumnTap* taps;
  int16_t* tapWeights;
  uint8_t* scratch;
  ColumnBlock* blocks;  // scratch: for the touched bytes
  ByteSample* samples;
  size_t bytes;
  Arena(const ColumnShape& s, uint8_t* base) {
    const auto dstBytes = static_cast<size_t>(ColumnDstBytes(s));
    ArenaParts parts(base);
    taps = parts.Take<ColumnTap>(dstBytes);
    tapWeights = parts.Take<int16_t>(dstBytes * 8);
    scratch = parts.Take<uint8_t>(16 * static_cast<size_t>(s.rowBytes));
    blocks = parts.Take<ColumnBlock>(static_cast<size_t>(ColumnMaxBlocks(s)));
    samples = parts.Take<ByteSample>(dstBytes);
    bytes = parts.bytes();
  }
};

// The tap of one destination byte; its samples lie in the touched bytes
// from `low`.
void MakeTap(const ByteSample& sample, int32_t low, ColumnTap* tap, int16_t* weights) {
  const bool towardA = sample.w >= 2048;
  tap->from = 16 * ((towardA ? sample.b : sample.a) - low);
  tap->toward = 16 * ((towardA ? sample.a : sample.b) - low);
  const auto m = static_cast<int16_t>(towardA ? 16 * sample.w - 65536 : -16 * sample.w);
  for (int32_t i = 0; i < 8; ++i) weights[i] = m;
}

}  // namespace

size_t ColumnBandPlanArenaBytes(const ColumnShape& shape) {
  return ColumnShapePlannable(shape) ? Arena(shape, nullptr).bytes : 0;
}

bool BuildColumnBandPlan(const ColumnShape& s, const ScaleMapEntry* map, uint8_t* arenaBase, ColumnBandPlan* plan) {
  *plan = ColumnBandPlan{};
  if (!ColumnShapePlannable(s)) return false;
  Arena arena(s, arenaBase);
  int32_t steps = 0;  // 16 destination bytes a step, as many as blocks
  ColumnTouch touch;
  if (!MakeColumnBlocks(s, map, arena.samples, arena.blocks, &steps, &touch)) return false;
  const int32_t n = ColumnDstBytes(s);
  for (int32_t j = 0; j < n; ++j) MakeTap(arena.samples[j], touch.touchLow, &arena.taps[j], arena.tapWeights + 8 * j);
  static_cast<ColumnTouch&>(*plan) = touch;
  plan->prefetchPerBlock = PrefetchPerStep(steps, touch.touchLow, touch.touchHigh);
  plan->taps = arena.taps;
  plan->tapWeights = arena.tapWeights;
  plan->tapCount = n;
  plan->tapDst = s.dstByteStart;
  plan->scratch = arena.scratch;
  return true;
}

}  // namespace xvf
