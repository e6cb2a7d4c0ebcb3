#include "engine/gather_table.h"

#include <algorithm>
#include <cstring>

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
  int64_t position = skip;  // in pixels
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
  auto add = [&](int32_t a, int32_t b, int32_t w) {
    indexA[filled] = a;
    indexB[filled] = b;
    weight[filled] = w;
    ++filled;
    ++byte;
    return filled < 8 || flush(byte - 8);
  };
  for (int32_t j = 0; j < count; ++j) {
    const ScaleMapEntry& e = map[j];
    const int32_t w = e.weight[0];
    if (e.advance % 4 != 0 || e.secondOffset % 4 != 0 || w < 0 || w > 4095) return false;
    if (e.weight[1] != w || e.weight[2] != w || e.weight[3] != w) return false;
    position += e.advance / 4;
    const int64_t a = position;
    position += e.secondOffset / 4;
    const int64_t b = position;
    if (a < 0 || b < 0 || a >= rowPixels || b >= rowPixels) return false;
    const auto qa = static_cast<int32_t>(a), qb = static_cast<int32_t>(b);
    if (yuy2) {
      // Luma of the pixel itself; chroma of its pair: U at byte 1, V at byte 3.
      const int32_t chroma = ((j + (oddFirst ? 1 : 0)) & 1) ? 3 : 1;
      if (!add(2 * qa, 2 * qb, w) || !add(4 * (qa / 2) + chroma, 4 * (qb / 2) + chroma, w)) return false;
    } else {
      for (int32_t c = 0; c < 3; ++c)
        if (!add(3 * qa + c, 3 * qb + c, w)) return false;
    }
  }
  if (filled > 0 && !flush(bytes - filled)) return false;
  return true;
}

}  // namespace xvf
