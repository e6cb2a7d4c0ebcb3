#include "framepass/row_sampler.h"

#include <algorithm>
#include <bit>
#include <cstdlib>

#include "framepass/auto_mode_thresholds.h"

namespace xvf {

RowSampler::RowSampler(const FrameRows& frame, int32_t count)
    : frame_(frame), yuy2_(frame.format == PixelFormat::kYuy2), count_(count < 1 ? 1 : count > kMaxSamples ? kMaxSamples : count) {
  const int64_t pixelBytes = yuy2_ ? 2 : 3;
  // Column (2i + 1) * width / (2 count); a shift for counts that are powers of two.
  const bool power = (count_ & (count_ - 1)) == 0;
  const int shift = std::countr_zero(static_cast<uint32_t>(2 * count_));
  for (int32_t i = 0; i < count_; ++i) {
    const int64_t spans = int64_t{2 * i + 1} * frame.width;
    offsets_[i] = (power ? spans >> shift : spans / (2 * count_)) * pixelBytes;
  }
}

void RowSampler::Read(int32_t y, int32_t* luma) const {
  const uint8_t* row = PictureRow(frame_, y);
  if (yuy2_) {
    for (int32_t i = 0; i < count_; ++i) luma[i] = row[offsets_[i]];
    return;
  }
  // BT.601 limited range in 8.8 fixed point: B, G, R 0 gives 16, 255 gives 235.
  for (int32_t i = 0; i < count_; ++i) {
    const uint8_t* p = row + offsets_[i];
    luma[i] = ((25 * p[0] + 129 * p[1] + 66 * p[2] + 128) >> 8) + auto_mode::kBlackLevel;
  }
}

void LevelAndSpread(const int32_t* values, int32_t n, int32_t* level, int32_t* spread) {
  // Digital black and other flat rows: no counting.
  int32_t low = values[0], high = values[0];
  for (int32_t i = 1; i < n; ++i) {
    low = std::min(low, values[i]);
    high = std::max(high, values[i]);
  }
  if (high - low <= 1) {
    int32_t lows = 0;
    for (int32_t i = 0; i < n; ++i) lows += values[i] == low;
    *level = 2 * lows > n ? low : high;
    *spread = high - low;
    return;
  }
  // Luma levels: a count per level, walked from black (bands are dark) to
  // the median, then to the upper quartile.
  uint16_t counts[256] = {};
  for (int32_t i = 0; i < n; ++i) ++counts[std::clamp(values[i], 0, 255)];
  int32_t at = 0, seen = counts[0];
  while (2 * seen <= n && at < 255) seen += counts[++at];
  *level = at;
  while (4 * seen <= 3 * n && at < 255) seen += counts[++at];
  *spread = ((at - *level) * auto_mode::kSpreadPerQuartileMilli + 500) / 1000;  // rounded
}

}  // namespace xvf
