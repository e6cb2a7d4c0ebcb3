#pragma once
#include <cstdint>

#include "common/image/picture.h"

namespace xvf {

// The test card's circle is a white ring (255, 255, 255); nothing else on the
// card is brighter than 235 in any channel.
bool IsRingPixel(const uint8_t* bgr);

// The circle as a window shows it.
struct CircleMeasure {
  bool found = false;
  bool cut = false;     // part of the circle lies outside the picture
  double width = 0.0;   // on-screen outer extent in pixels
  double height = 0.0;
  double ratio = 0.0;   // width / height; 1.0 is round
  int32_t pixels = 0;   // ring pixels seen
};

// Measures the ring's width-to-height ratio. A whole circle is measured by
// the extents of its ring along the horizontal and vertical lines through its
// centre (which holds for non-linear column maps too). A circle cut by the
// picture's edge is measured by a least-squares axis-aligned ellipse through
// the visible ring: for a ring of even thickness the fit keeps the ratio of
// the two scales exactly, however much of the ring is missing, as long as
// the missing part is symmetric about the centre.
CircleMeasure MeasureCircle(const Picture& picture);

}  // namespace xvf
