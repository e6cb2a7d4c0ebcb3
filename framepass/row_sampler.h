#pragma once
#include <cstddef>
#include <cstdint>

#include "engine/frame_format.h"

namespace xvf {

// The luma of `count` columns of any picture row (1..kMaxSamples, row 0 the top), at the centres of
// equal column spans; reads only inside the frame's rows of `width` pixels.
class RowSampler {
 public:
  static constexpr int32_t kMaxSamples = 128;

  RowSampler(const FrameRows& frame, int32_t count);

  int32_t count() const { return count_; }
  void Read(int32_t y, int32_t* luma) const;

 private:
  const FrameRows& frame_;
  const bool yuy2_;
  const int32_t count_;
  ptrdiff_t offsets_[kMaxSamples];  // bytes from the start of a row
};

// The median of n luma levels (n > 0; 0..255, others clamped; the upper
// middle one for even n), and their spread as a standard deviation from the
// upper quartile's distance to it (0.674 deviations for Gaussian noise):
// noise on black is clipped below, never above.
void LevelAndSpread(const int32_t* values, int32_t n, int32_t* level, int32_t* spread);

}  // namespace xvf
