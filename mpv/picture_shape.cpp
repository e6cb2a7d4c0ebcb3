#include "mpv/picture_shape.h"

#include <cmath>
#include <cstdio>

#include "framepass/aspect_geometry.h"
#include "framepass/auto_mode_detector.h"
#include "framepass/auto_mode_thresholds.h"
#include "framepass/frame_modes.h"

namespace xvf {

int32_t ModeForPicture(int32_t asked, int32_t width, int32_t height, int64_t num, int64_t den, std::string* why) {
  why->clear();
  if (asked == kFitToWindow || asked == kAutoMode || width <= 0 || height <= 0 || num <= 0 || den <= 0) return asked;
  const DeclaredStream stream{num, den, 0, 0};
  const double aspect = DisplayAspect(width, height, stream);
  if (std::fabs(aspect / (4.0 / 3.0) - 1.0) <= auto_mode::kSixteenByNineTolerance) return asked;
  if (DeclaresSixteenByNine(width, height, stream)) {
    if (asked != kAnamorphic) *why = "16:9, framed as anamorphic";
    return kAnamorphic;
  }
  char text[48];
  std::snprintf(text, sizeof text, "%.2f:1, not 4:3: left as is", aspect);
  *why = text;
  return kFitToWindow;
}

}  // namespace xvf
