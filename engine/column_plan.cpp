#include "engine/column_plan.h"

#include <algorithm>
#include <cstdint>

namespace xvf {
namespace {

// The block writing destination bytes first .. first + 15; false when a
// half's samples span more than one window.
bool MakeBlock(const ColumnShape& s, const ByteSample* samples, int32_t first, ColumnBlock* block) {
  block->dst = s.dstByteStart + first;
  block->unused = 0;
  for (int32_t half = 0; half < 2; ++half) {
    const ByteSample* bytes = samples + first + 8 * half;
    int32_t low = bytes[0].a, high = bytes[0].a;
    for (int32_t i = 0; i < 8; ++i) {
      const int32_t a = bytes[i].a, b = bytes[i].b;
      low = a < low ? a : low;
      low = b < low ? b : low;
      high = a > high ? a : high;
      high = b > high ? b : high;
    }
    if (high - low > 15) return false;
    // The window stays inside the row; high - base is still at most 15.
    const int32_t base = std::min(low, s.rowBytes - 16);
    block->base[half] = base;
    for (int32_t i = 0; i < 8; ++i) {
      const int32_t k = 8 * half + i;
      block->samples[2 * k] = static_cast<uint8_t>(bytes[i].a - base);
      block->samples[2 * k + 1] = static_cast<uint8_t>(bytes[i].b - base);
      block->weights[k] = static_cast<int16_t>(8 * bytes[i].w);
    }
  }
  return true;
}

}  // namespace

bool MakeColumnBlocks(const ColumnShape& s, const ScaleMapEntry* map, ByteSample* samples, ColumnBlock* blocks,
                      int32_t* count, ColumnTouch* touch) {
  const int32_t n = ColumnDstBytes(s);
  if (!ColumnShapePlannable(s) || s.dstByteStart < 0 || s.dstByteStart + n > s.rowBytes) return false;
  const int32_t o = s.srcByteStart;
  ByteSample* out = samples;
  const bool sampled = SampleMapBytes(map, s.count, s.skip, s.rowPixels, s.yuy2, s.oddFirst, [&](const ByteSample& b) {
    *out++ = ByteSample{o + b.a, o + b.b, b.w};
    return true;
  });
  if (!sampled) return false;
  int32_t low = s.dstByteStart, high = s.dstByteStart + n;
  *count = 0;
  for (int32_t first = 0; first < n; first += 16) {
    ColumnBlock& block = blocks[(*count)++];
    if (!MakeBlock(s, samples, std::min(first, n - 16), &block)) return false;
    low = std::min(low, std::min(block.base[0], block.base[1]));
    high = std::max(high, std::max(block.base[0], block.base[1]) + 16);
  }
  *touch = ColumnTouch{low, high, 0};
  return true;
}

int32_t PrefetchPerStep(int32_t steps, int32_t touchLow, int32_t touchHigh) {
  if (steps <= 0) return 0;
  const int64_t bytes = int64_t{64} * ((touchHigh - (touchLow & ~63) + 63) / 64);
  return static_cast<int32_t>(std::min<int64_t>((bytes + steps - 1) / steps, INT32_MAX));
}

}  // namespace xvf
