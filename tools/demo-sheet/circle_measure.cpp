#include "tools/demo-sheet/circle_measure.h"

#include <algorithm>
#include <cmath>

namespace xvf {
namespace {

constexpr uint8_t kRingLevel = 245;  // between the card's 235 white bar and the ring's 255
constexpr int32_t kMinPixels = 32;
constexpr int32_t kBand = 2;         // lines each side of the centre line that are searched too

// Outer extent of the ring along the lines within kBand of `centre`, or false
// when one side has no ring or the ring reaches the picture's edge.
bool Extent(const Picture& picture, bool horizontal, int32_t centreX, int32_t centreY, int32_t* first,
            int32_t* last) {
  const int32_t length = horizontal ? picture.width : picture.height;
  const int32_t across = horizontal ? picture.height : picture.width;
  const int32_t centre = horizontal ? centreX : centreY;
  const int32_t line = horizontal ? centreY : centreX;
  int32_t low = length, high = -1;
  for (int32_t k = std::max(0, line - kBand); k <= std::min(across - 1, line + kBand); ++k)
    for (int32_t i = 0; i < length; ++i) {
      const uint8_t* p = horizontal ? picture.at(i, k) : picture.at(k, i);
      if (!IsRingPixel(p)) continue;
      if (i < centre) low = std::min(low, i);
      if (i > centre) high = std::max(high, i);
    }
  if (low >= centre || high <= centre || low == 0 || high == length - 1) return false;
  *first = low;
  *last = high;
  return true;
}

// Solves the 4 x 4 system m * v = r in place by Gaussian elimination with
// partial pivoting; false when it is singular.
bool Solve4(double m[4][4], double r[4], double v[4]) {
  for (int c = 0; c < 4; ++c) {
    int pivot = c;
    for (int i = c + 1; i < 4; ++i)
      if (std::fabs(m[i][c]) > std::fabs(m[pivot][c])) pivot = i;
    if (std::fabs(m[pivot][c]) < 1e-12) return false;
    std::swap(m[c], m[pivot]);
    std::swap(r[c], r[pivot]);
    for (int i = c + 1; i < 4; ++i) {
      const double f = m[i][c] / m[c][c];
      for (int j = c; j < 4; ++j) m[i][j] -= f * m[c][j];
      r[i] -= f * r[c];
    }
  }
  for (int c = 3; c >= 0; --c) {
    double sum = r[c];
    for (int j = c + 1; j < 4; ++j) sum -= m[c][j] * v[j];
    v[c] = sum / m[c][c];
  }
  return true;
}

// A x^2 + B y^2 + C x + D y = 1 through the ring pixels, in coordinates
// centred on (cx, cy) and scaled by s so the sums stay well conditioned.
bool FitEllipse(const Picture& picture, double cx, double cy, CircleMeasure* measure) {
  const double s = std::max(picture.width, picture.height) / 2.0;
  double m[4][4] = {}, r[4] = {};
  for (int32_t y = 0; y < picture.height; ++y)
    for (int32_t x = 0; x < picture.width; ++x) {
      if (!IsRingPixel(picture.at(x, y))) continue;
      const double u = (x - cx) / s, v = (y - cy) / s;
      const double term[4] = {u * u, v * v, u, v};
      for (int i = 0; i < 4; ++i) {
        for (int j = 0; j < 4; ++j) m[i][j] += term[i] * term[j];
        r[i] += term[i];
      }
    }
  double p[4];
  if (!Solve4(m, r, p) || p[0] <= 0.0 || p[1] <= 0.0) return false;
  const double common = 1.0 + p[2] * p[2] / (4.0 * p[0]) + p[3] * p[3] / (4.0 * p[1]);
  if (common <= 0.0) return false;
  measure->width = 2.0 * s * std::sqrt(common / p[0]);
  measure->height = 2.0 * s * std::sqrt(common / p[1]);
  measure->ratio = std::sqrt(p[1] / p[0]);
  return true;
}

}  // namespace

bool IsRingPixel(const uint8_t* bgr) {
  return bgr[0] >= kRingLevel && bgr[1] >= kRingLevel && bgr[2] >= kRingLevel;
}

CircleMeasure MeasureCircle(const Picture& picture) {
  CircleMeasure measure;
  if (picture.empty()) return measure;
  int32_t left = picture.width, right = -1, top = picture.height, bottom = -1;
  for (int32_t y = 0; y < picture.height; ++y)
    for (int32_t x = 0; x < picture.width; ++x)
      if (IsRingPixel(picture.at(x, y))) {
        ++measure.pixels;
        left = std::min(left, x);
        right = std::max(right, x);
        top = std::min(top, y);
        bottom = std::max(bottom, y);
      }
  if (measure.pixels < kMinPixels) return measure;
  // A cut circle is cut symmetrically by every mode, so the box's centre is
  // the circle's centre on both axes.
  const int32_t cx = (left + right) / 2, cy = (top + bottom) / 2;
  int32_t x0 = 0, x1 = 0, y0 = 0, y1 = 0;
  if (Extent(picture, true, cx, cy, &x0, &x1) && Extent(picture, false, cx, cy, &y0, &y1)) {
    measure.found = true;
    measure.width = x1 - x0 + 1;
    measure.height = y1 - y0 + 1;
    measure.ratio = measure.width / measure.height;
    return measure;
  }
  measure.cut = true;
  measure.found = FitEllipse(picture, (left + right) / 2.0, (top + bottom) / 2.0, &measure);
  return measure;
}

}  // namespace xvf
