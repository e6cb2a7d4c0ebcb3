#pragma once
// The source bytes a column map samples for each destination byte, as the
// horizontal kernels sample them from work pixels: in YUY2 each pixel's luma
// and the U (even destination column) or V (odd) of the sampled pixel's
// pair; in RGB24 the pixel's three bytes. The gather tables and the column
// plans are both built from these.
#include <cstdint>

#include "engine/scale_map.h"

namespace xvf {

// One destination byte: source bytes A and B (from source pixel 0's first
// byte) and the weight of B, w in 0..4095.
struct ByteSample {
  int32_t a, b, w;
};

// Calls take(ByteSample) for each destination byte of `count` map entries in
// order, the running position starting at pixel `skip`; `oddFirst` says the
// first destination column is odd. False when an entry is not what a scale
// map holds (steps of whole pixels, one weight in 0..4095 for all four
// bytes), samples outside pixels [0, rowPixels), or take returns false.
template <typename Take>
bool SampleMapBytes(const ScaleMapEntry* map, int32_t count, int32_t skip, int32_t rowPixels, bool yuy2,
                    bool oddFirst, Take&& take) {
  int64_t position = skip;  // in pixels
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
      // Chroma: U at byte 1 of the pair, V at byte 3.
      const int32_t chroma = ((j + (oddFirst ? 1 : 0)) & 1) ? 3 : 1;
      if (!take(ByteSample{2 * qa, 2 * qb, w}) ||
          !take(ByteSample{4 * (qa / 2) + chroma, 4 * (qb / 2) + chroma, w}))
        return false;
    } else {
      for (int32_t c = 0; c < 3; ++c)
        if (!take(ByteSample{3 * qa + c, 3 * qb + c, w})) return false;
    }
  }
  return true;
}

}  // namespace xvf
