#include "framepass/auto_mode_detector.h"

#include <cmath>

#include "framepass/auto_mode_thresholds.h"
#include "framepass/picture_measure.h"

namespace xvf {
namespace {

using namespace auto_mode;

bool Declared(const DeclaredStream& s) { return s.pixelAspectNum > 0 && s.pixelAspectDen > 0; }

// Width over height as the frame is shown; a 4:3 picture when undeclared.
double DisplayAspect(const FrameView& frame, const DeclaredStream& s) {
  if (!Declared(s)) return 4.0 / 3.0;
  return (double(frame.width) * double(s.pixelAspectNum)) / (double(frame.height) * double(s.pixelAspectDen));
}

bool NearSixteenByNine(double aspect) { return std::fabs(aspect / (16.0 / 9.0) - 1.0) <= kSixteenByNineTolerance; }

// Over the whole frame or, for a 720-pixel SD frame, over its active width.
bool DeclaresSixteenByNine(const FrameView& frame, const DeclaredStream& s) {
  if (!Declared(s) || frame.width <= 0 || frame.height <= 0) return false;
  const double aspect = DisplayAspect(frame, s);
  return NearSixteenByNine(aspect) ||
         (frame.width == kSdFrameWidth && NearSixteenByNine(aspect * kSdActiveWidth / kSdFrameWidth));
}

int32_t HoldFrames(const DeclaredStream& s) {
  if (s.rateNum <= 0 || s.rateDen <= 0) return kDefaultFramesPerSecond;
  const int64_t frames = (s.rateNum + s.rateDen / 2) / s.rateDen;  // 30000:1001 holds 30
  return static_cast<int32_t>(frames < 1 ? 1 : frames > kMaxHoldFrames ? kMaxHoldFrames : frames);
}

// The film format nearest to a picture's width over height.
const char* FormatName(double aspect) {
  struct Format {
    double aspect;
    const char* name;
  };
  static const Format kFormats[] = {{14.0 / 9.0, "14:9"}, {16.0 / 9.0, "16:9"}, {1.85, "1.85:1"}, {2.39, "2.39:1"}};
  const Format* best = &kFormats[0];
  for (const Format& f : kFormats)
    if (std::fabs(f.aspect - aspect) < std::fabs(best->aspect - aspect)) best = &f;
  return best->name;
}

}  // namespace

AutoModeDetector::AutoModeDetector(int32_t fallbackMode)
    : fallback_(fallbackMode), holdFrames_(kDefaultFramesPerSecond), mode_(fallbackMode) {}

void AutoModeDetector::SetStream(const DeclaredStream& stream) {
  stream_ = stream;
  holdFrames_ = HoldFrames(stream);
  candidate_ = -1;
  held_ = 0;
}

bool AutoModeDetector::Take(int32_t mode, const std::string& reason) {
  const bool changed = fed_ && mode != mode_;
  if (changed || !fed_) reason_ = reason;
  if (changed) ++changes_;
  mode_ = mode;
  return changed;
}

AutoModeDecision AutoModeDetector::Feed(const FrameView& frame) {
  bool changed = false;
  const bool declared = DeclaresSixteenByNine(frame, stream_);
  if (declared) {
    changed = Take(kAnamorphic, "declared 16:9");
    candidate_ = -1;
    held_ = 0;
  } else {
    if (!fed_ || wasDeclared_) changed = Take(fallback_, fed_ ? "declared aspect not 16:9" : "start");
    const PictureMeasure m = MeasurePicture(frame);
    if (m.showsPicture) {
      const double aspect = DisplayAspect(frame, stream_) * frame.height / m.pictureRows;
      const bool letterbox = aspect >= kLetterboxMinAspect;
      const int32_t wanted = letterbox ? kFitToWidth : fallback_;
      held_ = wanted == mode_ ? 0 : wanted == candidate_ ? held_ + 1 : 1;
      candidate_ = wanted == mode_ ? -1 : wanted;
      if (held_ >= holdFrames_) {
        changed = Take(wanted, letterbox ? std::string("letterbox ") + FormatName(aspect) : "full picture") || changed;
        candidate_ = -1;
        held_ = 0;
      }
    }
  }
  wasDeclared_ = declared;
  fed_ = true;
  return AutoModeDecision{mode_, changed, reason_};
}

}  // namespace xvf
