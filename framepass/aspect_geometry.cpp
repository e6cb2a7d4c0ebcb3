#include "framepass/aspect_geometry.h"

#include <numeric>

#include "platform/mul_div.h"
#include "platform/x87_precision.h"

namespace xvf {
namespace {

// Signed division truncated toward zero: half(115) is 57.
int32_t Half(int32_t x) { return x / 2; }

// Modes 1 and 4 once V, the rows the full frame height would need for the
// target picture spanning the window's width, is known.
//   V < h:  the middle V rows are stretched over the frame (top, bottom cut)
//   V >= h: the frame is squeezed into r rows, centred, black above and below
bool FitRows(int32_t v, int32_t w, int32_t h, AspectGeometry* out) {
  if (v < 0) return false;  // MulDiv overflowed; all operands are positive
  if (v < h) {
    const int32_t t = Half(h - v);
    out->srcRect = Rect{0, t, w, t + v};
    out->dstRect = Rect{0, 0, w, h};
    return true;
  }
  const int32_t r = MulDiv(h, h, v);
  if (r < 0) return false;
  const int32_t t = Half(h - r);
  out->srcRect = Rect{0, 0, w, h};
  out->dstRect = Rect{0, t, w, t + r};
  return true;
}

Rect Transposed(const Rect& r) { return Rect{r.top, r.left, r.bottom, r.right}; }

// Mode 2 once U, the columns the full frame width would need for a 4:3
// picture spanning the window's height, is known: the rows rule on the
// transposed frame.
bool FitColumns(int32_t u, int32_t w, int32_t h, AspectGeometry* out) {
  if (!FitRows(u, h, w, out)) return false;
  out->srcRect = Transposed(out->srcRect);
  out->dstRect = Transposed(out->dstRect);
  return true;
}

}  // namespace

bool ComputeAspectGeometry(int32_t mode, int32_t w, int32_t h, int32_t cw, int32_t ch, AspectGeometry* out) {
  switch (mode) {
    case kFitToWidth:
      return FitRows(MulDiv(MulDiv(h, 4, 3), ch, cw), w, h, out);
    case kAnamorphic:
      return FitRows(MulDiv(MulDiv(MulDiv(h, 4, 3), ch, cw), 4, 3), w, h, out);
    case kFitToHeight:
      return FitColumns(MulDiv(MulDiv(w, 3, 4), cw, ch), w, h, out);
    case kPanorama:
      out->srcRect = Rect{0, 0, w, h};
      out->dstRect = Rect{0, 0, w, h};
      return true;
    default:
      return false;
  }
}

// Both in binary64 whatever the caller's x87 precision; the results are
// pinned so that they are complete before the caller's precision returns.
bool IsFourThirdsWindow(int32_t cw, int32_t ch) {
  const X87DoublePrecision precision;
  X87DoublePrecision::Pin(cw);
  double q = static_cast<double>(cw) / static_cast<double>(ch);
  X87DoublePrecision::Pin(q);
  return q > kFourThirdsBandLow && q < kFourThirdsBandHigh;
}

double PanoramaRatio(int32_t cw, int32_t ch) {
  const X87DoublePrecision precision;
  X87DoublePrecision::Pin(cw);
  double ratio = ((cw * 3.0) / ch) * 0.25;
  X87DoublePrecision::Pin(ratio);
  return ratio;
}

void WindowPixelAspect(int32_t w, int32_t h, int32_t cw, int32_t ch, int64_t* num, int64_t* den) {
  const int64_t n = int64_t{cw} * h, d = int64_t{ch} * w;
  const int64_t g = std::gcd(n, d);
  *num = g ? n / g : 0;
  *den = g ? d / g : 0;
}

bool LeavesFramesAlone(int32_t mode, int32_t cw, int32_t ch) {
  return mode == kFitToWindow || (mode != kAnamorphic && IsFourThirdsWindow(cw, ch));
}

}  // namespace xvf
