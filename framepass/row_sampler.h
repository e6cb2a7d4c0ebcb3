#pragma once
#include <cstddef>
#include <cstdint>

#include "framepass/auto_mode_thresholds.h"
#include "framepass/frame_view.h"

namespace xvf {

// The luma of auto_mode::kSamplesPerRow columns of any row, at the centres of
// equal column spans; reads only inside the frame's rows of `width` pixels.
class RowSampler {
 public:
  using Row = int32_t[auto_mode::kSamplesPerRow];

  explicit RowSampler(const FrameView& frame);

  void Read(int32_t y, Row luma) const;

 private:
  const FrameView& frame_;
  const bool yuy2_;
  ptrdiff_t offsets_[auto_mode::kSamplesPerRow];  // bytes from the start of a row
};

// The median of n values (n > 0), reordering them.
int32_t MedianOf(int32_t* values, int32_t n);

// The spread of n values about `centre` as a standard deviation, from their
// median absolute deviation (1.4826 times it for Gaussian noise); reorders
// `scratch`, which holds n values.
int32_t SpreadOf(const int32_t* values, int32_t n, int32_t centre, int32_t* scratch);

}  // namespace xvf
