#include "engine/scale_map.h"

namespace xvf {

void BuildScaleMap(int32_t srcLength, int32_t dstLength, int32_t clipOffset, int32_t count, int32_t step,
                   ScaleMapEntry* entries) {
  // 16.16 source positions; lengths are unsigned, the accumulator 64-bit.
  uint64_t s = static_cast<uint32_t>(srcLength);
  uint64_t d = static_cast<uint32_t>(dstLength);
  const uint64_t q = (s << 16) / d;
  // Shrinking centres both sample grids on each other: k -> (k + 1/2) * S / D - 1/2.
  int64_t bias = static_cast<int64_t>(q / 2) - 32768;
  if (s < d) {
    // Enlarging puts the first and last samples on the first and last source samples.
    s -= 1;
    d -= 1;
    bias = 0;
  }
  uint64_t acc = static_cast<uint64_t>(static_cast<uint32_t>(clipOffset)) * 65536 * s;
  int64_t prev = 0;
  for (int32_t j = 0; j < count; ++j) {
    const int64_t p = static_cast<int64_t>(acc / d) + bias;
    const int64_t whole = p >> 16;
    const int32_t w = static_cast<int32_t>((p & 0xFFFF) >> 4);
    entries[j] = MakeScaleMapEntry(static_cast<int32_t>((whole - prev) * step), w != 0 ? step : 0, w);
    prev = w != 0 ? whole + 1 : whole;
    acc += s * 65536;
  }
}

}  // namespace xvf
