#pragma once
#include <cstddef>
#include <cstdint>

#include "framepass/frame_view.h"

namespace xvf {

// The luma of `count` columns of any row (1..kMaxSamples), at the centres of
// equal column spans; reads only inside the frame's rows of `width` pixels.
class RowSampler {
 public:
  static constexpr int32_t kMaxSamples = 128;

  RowSampler(const FrameView& frame, int32_t count);

  int32_t count() const { return count_; }
  void Read(int32_t y, int32_t* luma) const;

 private:
  const FrameView& frame_;
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
