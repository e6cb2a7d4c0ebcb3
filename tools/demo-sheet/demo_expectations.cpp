#include "tools/demo-sheet/demo_expectations.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "tools/test_card.h"

namespace xvf {
namespace {

// Destination offset from the centre, as a fraction of the half-width, whose
// source offset is `source` on the panorama curve g(u) = r u + (1 - r) u^2.
double PanoramaInverse(double r, double source) {
  const double k = 1.0 - r;
  if (std::fabs(k) < 1e-12) return source / r;
  return (-r + std::sqrt(r * r + 4.0 * k * source)) / (2.0 * k);
}

}  // namespace

int32_t AnamorphicCardColumns(int32_t width) { return (width * 3 / 4) & ~1; }

std::vector<uint8_t> MakeAnamorphicCardRgb(int32_t width, int32_t height) {
  std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3, 0);
  const int32_t columns = AnamorphicCardColumns(width);
  if (columns <= 0 || height <= 0) return rgb;
  const std::vector<uint8_t> card = MakeTestCardRgb(columns, height);
  const int32_t left = ((width - columns) / 2) & ~1;
  for (int32_t y = 0; y < height; ++y)
    std::copy_n(&card[static_cast<size_t>(y) * columns * 3], static_cast<size_t>(columns) * 3,
                &rgb[(static_cast<size_t>(y) * width + left) * 3]);
  return rgb;
}

double ExpectedCircleRatio(int32_t mode, int32_t frameWidth, int32_t frameHeight, int32_t clientWidth,
                           int32_t clientHeight, bool anamorphicCard) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  if (frameWidth < 2 || frameHeight < 3 || clientWidth <= 0 || clientHeight <= 0) return nan;
  // The frame's display aspect at which the card's circle is round.
  const double round = anamorphicCard ? (4.0 / 3.0) * frameWidth / AnamorphicCardColumns(frameWidth) : 4.0 / 3.0;
  const double q = static_cast<double>(clientWidth) / clientHeight;
  const bool fourThreeWindow = q > 1.32 && q < 1.35;
  switch (mode) {
    case 0:
      return q / round;
    case 1:
    case 2:
      return (fourThreeWindow ? q : 4.0 / 3.0) / round;
    case 4:
      return (16.0 / 9.0) / round;
    case 3: {
      if (fourThreeWindow) return q / round;
      if (anamorphicCard) return nan;
      // The card's ring: outer radius h/2 - 1 rows, that is (h/2 - 1) * 3w / 4h columns.
      const double radiusRows = frameHeight / 2.0 - 1.0;
      const double radiusColumns = radiusRows * 3.0 * frameWidth / (4.0 * frameHeight);
      const double centre = (frameWidth - 1) * 0.5;
      const double r = std::min(2.0, (clientWidth * 3.0 / clientHeight) * 0.25);
      const double u = PanoramaInverse(r, radiusColumns / centre);
      const double screenWidth = u * centre * clientWidth / frameWidth;
      const double screenHeight = radiusRows * clientHeight / frameHeight;
      return screenWidth / screenHeight;
    }
    default:
      return nan;
  }
}

int32_t ExpectedProcessResult(int32_t mode, int32_t clientWidth, int32_t clientHeight) {
  if (mode == 0 || clientWidth <= 0 || clientHeight <= 0) return 0;
  const double q = static_cast<double>(clientWidth) / clientHeight;
  return mode != 4 && q > 1.32 && q < 1.35 ? 0 : 1;
}

const char* ModePromise(int32_t mode) {
  switch (mode) {
    case 0: return "none: the window's stretch shows";
    case 1: return "true 4:3, spans the width";
    case 2: return "true 4:3, spans the height";
    case 3: return "centre true 4:3, sides take the rest";
    case 4: return "true 16:9 (anamorphic card)";
    default: return "?";
  }
}

}  // namespace xvf
