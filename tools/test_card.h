#pragma once
#include <cstdint>
#include <vector>

#include "common/image/frame_pixels.h"  // a card becomes a frame through RgbToFrame

namespace xvf {

// A 4:3 test card: grey background, white grid, a circle touching the top
// and bottom, colour bars in the middle band. A circle that shows round on a
// 4:3 screen tells whether the proportions came out right.
// Returns 24-bit pixels B, G, R, rows top-down, width x height.
std::vector<uint8_t> MakeTestCardRgb(int32_t width, int32_t height);

}  // namespace xvf
