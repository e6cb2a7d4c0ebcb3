#include "engine/gather_table.h"

#include <algorithm>
#include <cstring>

#include "engine/map_byte_samples.h"

namespace xvf {

bool BuildGatherBlocks(const ScaleMapEntry* map, int32_t count, int32_t skip, int32_t rowPixels, bool yuy2,
                       bool oddFirst, GatherBlock* blocks) {
  const int32_t bytes = GatherBytes(count, yuy2);
  const int32_t blockCount = GatherBlockCount(count, yuy2);
  std::memset(static_cast<void*>(blocks), 0, sizeof(GatherBlock) * static_cast<size_t>(blockCount));
  // Source byte indices A and B and the weight of each destination byte, one
  // half block (8 bytes) at a time.
  int32_t indexA[8], indexB[8], weight[8];
  int32_t filled = 0;
  auto flush = [&](int32_t firstByte) {
    GatherBlock& block = blocks[firstByte / 16];
    const int32_t half = (firstByte % 16) / 8;
    int32_t low = indexA[0], high = indexA[0];
    for (int32_t i = 0; i < filled; ++i) {
      low = std::min({low, indexA[i], indexB[i]});
      high = std::max({high, indexA[i], indexB[i]});
    }
    if (high - low > 15) return false;
    block.base[half] = low;
    for (int32_t i = 0; i < 8; ++i) {
      const bool used = i < filled;
      const int32_t k = 2 * (8 * half + i);
      const int32_t w = used ? weight[i] : 0;
      block.samples[k] = static_cast<uint8_t>(used ? indexA[i] - low : 0);
      block.samples[k + 1] = static_cast<uint8_t>(used ? indexB[i] - low : 0);
      block.coarse[k] = static_cast<int8_t>(64 - w / 64);
      block.coarse[k + 1] = static_cast<int8_t>(w / 64);
      block.fine[k] = static_cast<int8_t>(-(w % 64));
      block.fine[k + 1] = static_cast<int8_t>(w % 64);
    }
    filled = 0;
    return true;
  };
  int32_t byte = 0;
  auto add = [&](const ByteSample& sample) {
    indexA[filled] = sample.a;
    indexB[filled] = sample.b;
    weight[filled] = sample.w;
    ++filled;
    ++byte;
    return filled < 8 || flush(byte - 8);
  };
  if (!SampleMapBytes(map, count, skip, rowPixels, yuy2, oddFirst, add)) return false;
  if (filled > 0 && !flush(bytes - filled)) return false;
  return true;
}

}  // namespace xvf
