#include "tools/test_card.h"

#include <algorithm>

namespace xvf {

std::vector<uint8_t> MakeTestCardRgb(int32_t width, int32_t height) {
  std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
  // Colour bars: white, yellow, cyan, green, magenta, red, blue, black (B, G, R).
  static const uint8_t kBars[8][3] = {{235, 235, 235}, {16, 235, 235}, {235, 235, 16}, {16, 235, 16},
                                      {235, 16, 235},  {16, 16, 235},  {235, 16, 16},  {16, 16, 16}};
  // The card's own 4:3 picture, in card units: the circle's radius is half the
  // height, and a square grid cell is height / 8 tall and width / 8 * 3/4 wide.
  const double cx = (width - 1) / 2.0;
  const double cy = (height - 1) / 2.0;
  const double radius = height / 2.0 - 1.0;
  const double xScale = (4.0 / 3.0) * height / width;  // frame columns to square units
  const double thickness = std::max(1.5, height / 120.0);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
      uint8_t b = 96, g = 96, r = 96;
      const bool gridRow = (y * 8) % height < 8 || y == height - 1;
      const bool gridColumn = (x * 12) % width < 12 || x == width - 1;
      if (gridRow || gridColumn) b = g = r = 200;
      if (y >= height * 3 / 8 && y < height * 5 / 8 && x >= width / 8 && x < width * 7 / 8) {
        const int32_t bar = std::min(7, (x - width / 8) * 8 / std::max(1, width * 3 / 4));
        b = kBars[bar][0];
        g = kBars[bar][1];
        r = kBars[bar][2];
      }
      const double dx = (x - cx) * xScale;
      const double dy = y - cy;
      const double distance = dx * dx + dy * dy;
      if (distance >= (radius - thickness) * (radius - thickness) && distance <= radius * radius) b = g = r = 255;
      p[0] = b;
      p[1] = g;
      p[2] = r;
    }
  return rgb;
}

}  // namespace xvf
