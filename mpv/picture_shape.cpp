#include "mpv/picture_shape.h"

#include <cmath>
#include <cstdio>

#include "framepass/aspect_geometry.h"
#include "framepass/auto_mode_thresholds.h"
#include "framepass/frame_modes.h"

namespace xvf {
namespace {

using namespace auto_mode;

double ShownAspect(int32_t width, int32_t height, int64_t num, int64_t den) {
  bool bt601 = false;
  for (const SampleAspect& a : kBt601SampleAspects) bt601 = bt601 || a.num * den == a.den * num;
  const int32_t active = width == kSdFrameWidth && bt601 ? kSdActiveWidth : width;
  return double(active) * double(num) / (double(height) * double(den));
}

bool Near(double aspect, double shape) { return std::fabs(aspect / shape - 1.0) <= kSixteenByNineTolerance; }

}  // namespace

int32_t ModeForPicture(int32_t asked, int32_t width, int32_t height, int64_t num, int64_t den, std::string* why) {
  why->clear();
  if (asked == kFitToWindow || asked == kAutoMode || width <= 0 || height <= 0 || num <= 0 || den <= 0) return asked;
  const double aspect = ShownAspect(width, height, num, den);
  if (Near(aspect, 4.0 / 3.0)) return asked;
  // A 720-sample SD frame holds 16:9 over 704 samples whatever it declares.
  if (Near(aspect, 16.0 / 9.0) || (width == kSdFrameWidth && Near(aspect * kSdActiveWidth / kSdFrameWidth, 16.0 / 9.0))) {
    if (asked != kAnamorphic) *why = "16:9, framed as anamorphic";
    return kAnamorphic;
  }
  char text[48];
  std::snprintf(text, sizeof text, "%.2f:1, not 4:3: left as is", aspect);
  *why = text;
  return kFitToWindow;
}

}  // namespace xvf
