#include "engine/column_plan.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "engine/map_byte_samples.h"

namespace xvf {
namespace {

constexpr size_t Align16(size_t bytes) { return (bytes + 15) & ~static_cast<size_t>(15); }

int32_t DstBytes(const ColumnShape& s) { return s.count * (s.yuy2 ? 2 : 3); }
int32_t MaxBlocks(const ColumnShape& s) { return DstBytes(s) / 16 + 1; }

// The arena: blocks, saved windows, save offsets, taps, the band scratch,
// then build scratch.
struct Arena {
  ColumnBlock* blocks;
  ColumnBlock* natural;  // scratch: blocks in destination order
  int32_t* order;        // scratch: running order before the simulation
  uint8_t* saved;
  int32_t* saveFrom;
  ColumnTap* taps;
  int16_t* tapWeights;
  uint8_t* scratch;
  ByteSample* samples;
  uint8_t* written;
  size_t bytes;
  Arena(const ColumnShape& s, uint8_t* base) {
    const auto maxBlocks = static_cast<size_t>(MaxBlocks(s));
    size_t at = 0;
    auto take = [&](size_t n) {
      uint8_t* p = base ? base + at : nullptr;
      at += Align16(n);
      return p;
    };
    blocks = reinterpret_cast<ColumnBlock*>(take(maxBlocks * sizeof(ColumnBlock)));
    natural = reinterpret_cast<ColumnBlock*>(take(maxBlocks * sizeof(ColumnBlock)));
    order = reinterpret_cast<int32_t*>(take(maxBlocks * sizeof(int32_t)));
    saved = take(kColumnRowsAtOnce * 2 * maxBlocks * 16);
    saveFrom = reinterpret_cast<int32_t*>(take(2 * maxBlocks * sizeof(int32_t)));
    const auto dstBytes = static_cast<size_t>(DstBytes(s));
    taps = reinterpret_cast<ColumnTap*>(take(dstBytes * sizeof(ColumnTap)));
    tapWeights = reinterpret_cast<int16_t*>(take(dstBytes * 8 * sizeof(int16_t)));
    scratch = take(16 * static_cast<size_t>(s.rowBytes));
    samples = reinterpret_cast<ByteSample*>(take(dstBytes * sizeof(ByteSample)));
    written = take(static_cast<size_t>(s.rowBytes));
    bytes = at;
  }
};

// What the two passes sample for each destination byte, from the row's
// start; false when an entry is not a scale map's or leaves the row.
bool SampleBytes(const ColumnShape& s, const ScaleMapEntry* map, ByteSample* out) {
  const int32_t o = s.srcByteStart;
  return SampleMapBytes(map, s.count, s.skip, s.rowPixels, s.yuy2, s.oddFirst, [&](const ByteSample& sample) {
    *out++ = ByteSample{o + sample.a, o + sample.b, sample.w};
    return true;
  });
}

// The block writing destination bytes first .. first + 15; false when a
// half's samples span more than one window.
bool MakeBlock(const ColumnShape& s, const ByteSample* samples, int32_t first, ColumnBlock* block) {
  block->dst = s.dstByteStart + first;
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

// True when a sample of the block lies in a byte already written.
bool ReadsWritten(const ColumnBlock& block, const uint8_t* written) {
  for (int32_t k = 0; k < 16; ++k) {
    const int32_t base = block.base[k / 8];
    if (written[base + block.samples[2 * k]] || written[base + block.samples[2 * k + 1]]) return true;
  }
  return false;
}

// The tap (column_plan.h) of one destination byte; its samples lie in the
// touched bytes from `low`.
void MakeTap(const ByteSample& sample, int32_t low, ColumnTap* tap, int16_t* weights) {
  const bool towardA = sample.w >= 2048;
  tap->from = 16 * ((towardA ? sample.b : sample.a) - low);
  tap->toward = 16 * ((towardA ? sample.a : sample.b) - low);
  const auto m = static_cast<int16_t>(towardA ? 16 * sample.w - 65536 : -16 * sample.w);
  for (int32_t i = 0; i < 8; ++i) weights[i] = m;
}

// Bytes of one next row falling due per direct block: its lines spread
// evenly over the blocks (bursts of prefetches made cold frames slower),
// none when no block is direct.
int32_t PrefetchPerBlock(int32_t direct, int32_t touchLow, int32_t touchHigh) {
  if (direct <= 0) return 0;
  const int64_t bytes = int64_t{64} * ((touchHigh - (touchLow & ~63) + 63) / 64);
  return static_cast<int32_t>(std::min<int64_t>((bytes + direct - 1) / direct, INT32_MAX));
}

}  // namespace

size_t ColumnPlanArenaBytes(const ColumnShape& shape) {
  if (DstBytes(shape) < 16 || shape.rowBytes < 16) return 0;
  return Arena(shape, nullptr).bytes;
}

bool BuildColumnPlan(const ColumnShape& s, const ScaleMapEntry* map, uint8_t* arenaBase, ColumnPlan* plan) {
  *plan = ColumnPlan{};
  const int32_t n = DstBytes(s);
  if (n < 16 || s.rowBytes < 16 || s.dstByteStart < 0 || s.dstByteStart + n > s.rowBytes) return false;
  Arena arena(s, arenaBase);
  if (!SampleBytes(s, map, arena.samples)) return false;

  // Blocks at 0, 16, ...; a last one ending with the row's last byte
  // overlaps its neighbour (both write the same values there).
  ColumnBlock* natural = arena.natural;
  int32_t count = 0;
  for (int32_t first = 0; first < n; first += 16) {
    if (!MakeBlock(s, arena.samples, std::min(first, n - 16), &natural[count++])) return false;
  }
  // Blocks that read left of their destination run right-to-left, first;
  // the others left-to-right.
  int32_t* order = arena.order;
  int32_t placed = 0;
  auto readsLeft = [](const ColumnBlock& b) { return std::min(b.base[0], b.base[1]) < b.dst; };
  for (int32_t i = count - 1; i >= 0; --i)
    if (readsLeft(natural[i])) order[placed++] = i;
  for (int32_t i = 0; i < count; ++i)
    if (!readsLeft(natural[i])) order[placed++] = i;

  // Simulate the row: a block whose samples an earlier block overwrote reads
  // saved windows instead, and runs after every other block. Direct blocks
  // fill the front of `blocks`, saved ones its back (reversed afterwards).
  std::memset(arena.written, 0, static_cast<size_t>(s.rowBytes));
  int32_t direct = 0, late = count;
  int32_t low = s.dstByteStart, high = s.dstByteStart + n;
  for (int32_t i = 0; i < count; ++i) {
    const ColumnBlock& block = natural[order[i]];
    low = std::min(low, std::min(block.base[0], block.base[1]));
    high = std::max(high, std::max(block.base[0], block.base[1]) + 16);
    if (ReadsWritten(block, arena.written)) {
      arena.blocks[--late] = block;
    } else {
      arena.blocks[direct++] = block;
      std::memset(arena.written + block.dst, 1, 16);
    }
  }
  std::reverse(arena.blocks + late, arena.blocks + count);
  // Each saved block's windows: copied from the row before it is written.
  int32_t saves = 0;
  for (int32_t i = late; i < count; ++i) {
    for (int32_t half = 0; half < 2; ++half) {
      arena.saveFrom[saves] = arena.blocks[i].base[half];
      arena.blocks[i].base[half] = 16 * saves++;
    }
  }
  plan->blocks = arena.blocks;
  plan->blockCount = count;
  plan->savedBlocks = count - late;
  plan->saveFrom = arena.saveFrom;
  plan->saveCount = saves;
  plan->saved = arena.saved;
  plan->touchLow = low;
  plan->touchHigh = high;
  plan->prefetchPerBlock = PrefetchPerBlock(late, low, high);
  for (int32_t j = 0; j < n; ++j) MakeTap(arena.samples[j], low, &arena.taps[j], arena.tapWeights + 8 * j);
  plan->taps = arena.taps;
  plan->tapWeights = arena.tapWeights;
  plan->tapCount = n;
  plan->tapDst = s.dstByteStart;
  plan->scratch = arena.scratch;
  return true;
}

}  // namespace xvf
