#include "framepass/row_sampler.h"

#include <algorithm>
#include <cstdlib>

namespace xvf {

using auto_mode::kSamplesPerRow;

RowSampler::RowSampler(const FrameView& frame) : frame_(frame), yuy2_(frame.pixelFormat == 0) {
  const int64_t pixelBytes = yuy2_ ? 2 : 3;
  for (int32_t i = 0; i < kSamplesPerRow; ++i)
    offsets_[i] = (int64_t{2 * i + 1} * frame.width / (2 * kSamplesPerRow)) * pixelBytes;
}

void RowSampler::Read(int32_t y, Row luma) const {
  const uint8_t* row = frame_.data + y * frame_.rowBytes;
  if (yuy2_) {
    for (int32_t i = 0; i < kSamplesPerRow; ++i) luma[i] = row[offsets_[i]];
    return;
  }
  // BT.601 limited range in 8.8 fixed point: B, G, R 0 gives 16, 255 gives 235.
  for (int32_t i = 0; i < kSamplesPerRow; ++i) {
    const uint8_t* p = row + offsets_[i];
    luma[i] = ((25 * p[0] + 129 * p[1] + 66 * p[2] + 128) >> 8) + auto_mode::kBlackLevel;
  }
}

int32_t MedianOf(int32_t* values, int32_t n) {
  std::nth_element(values, values + n / 2, values + n);
  return values[n / 2];
}

int32_t SpreadOf(const int32_t* values, int32_t n, int32_t centre, int32_t* scratch) {
  for (int32_t i = 0; i < n; ++i) scratch[i] = std::abs(values[i] - centre);
  return (MedianOf(scratch, n) * 1483 + 500) / 1000;
}

}  // namespace xvf
