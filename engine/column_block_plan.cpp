#include "engine/column_block_plan.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace xvf {
namespace {

// The arena: blocks and saved windows, then build scratch.
struct Arena {
  ColumnBlock* blocks;
  uint8_t* saved;
  int32_t* saveFrom;
  ColumnBlock* natural;  // scratch: blocks in destination order
  int32_t* order;        // scratch: running order before the simulation
  ByteSample* samples;
  uint8_t* written;
  size_t bytes;
  Arena(const ColumnShape& s, uint8_t* base) {
    const auto maxBlocks = static_cast<size_t>(ColumnMaxBlocks(s));
    ArenaParts parts(base);
    blocks = parts.Take<ColumnBlock>(maxBlocks);
    saved = parts.Take<uint8_t>(kColumnRowsAtOnce * 2 * maxBlocks * 16);
    saveFrom = parts.Take<int32_t>(2 * maxBlocks);
    natural = parts.Take<ColumnBlock>(maxBlocks);
    order = parts.Take<int32_t>(maxBlocks);
    samples = parts.Take<ByteSample>(static_cast<size_t>(ColumnDstBytes(s)));
    written = parts.Take<uint8_t>(static_cast<size_t>(s.rowBytes));
    bytes = parts.bytes();
  }
};

// True when a sample of the block lies in a byte already written.
bool ReadsWritten(const ColumnBlock& block, const uint8_t* written) {
  for (int32_t k = 0; k < 16; ++k) {
    const int32_t base = block.base[k / 8];
    if (written[base + block.samples[2 * k]] || written[base + block.samples[2 * k + 1]]) return true;
  }
  return false;
}

}  // namespace

size_t ColumnBlockPlanArenaBytes(const ColumnShape& shape) {
  return ColumnShapePlannable(shape) ? Arena(shape, nullptr).bytes : 0;
}

bool BuildColumnBlockPlan(const ColumnShape& s, const ScaleMapEntry* map, uint8_t* arenaBase, ColumnBlockPlan* plan) {
  *plan = ColumnBlockPlan{};
  if (!ColumnShapePlannable(s)) return false;
  Arena arena(s, arenaBase);
  ColumnBlock* natural = arena.natural;
  int32_t count = 0;
  ColumnTouch touch;
  if (!MakeColumnBlocks(s, map, arena.samples, natural, &count, &touch)) return false;

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
  for (int32_t i = 0; i < count; ++i) {
    const ColumnBlock& block = natural[order[i]];
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
  static_cast<ColumnTouch&>(*plan) = touch;
  plan->prefetchPerBlock = PrefetchPerStep(direct, touch.touchLow, touch.touchHigh);
  plan->blocks = arena.blocks;
  plan->blockCount = count;
  plan->savedBlocks = count - late;
  plan->saveFrom = arena.saveFrom;
  plan->saveCount = saves;
  plan->saved = arena.saved;
  return true;
}

}  // namespace xvf
