#include "framepass/auto_mode_detector.h"

#include <cmath>

#include "framepass/auto_mode_thresholds.h"

namespace xvf {
namespace {

using namespace auto_mode;

bool Declared(const DeclaredStream& s) { return s.pixelAspectNum > 0 && s.pixelAspectDen > 0; }

bool Bt601SampleAspect(const DeclaredStream& s) {
  for (const SampleAspect& a : kBt601SampleAspects)  // no product of a stream's values: any may come
    if (s.pixelAspectNum % a.num == 0 && s.pixelAspectDen % a.den == 0 &&
        s.pixelAspectNum / a.num == s.pixelAspectDen / a.den)
      return true;
  return false;
}

bool NearSixteenByNine(double aspect) { return std::fabs(aspect / (16.0 / 9.0) - 1.0) <= kSixteenByNineTolerance; }

int32_t HoldFrames(const DeclaredStream& s) {
  if (s.rateNum <= 0 || s.rateDen <= 0) return kDefaultFramesPerSecond;
  const double frames = std::round(double(s.rateNum) / double(s.rateDen));  // 30000:1001 holds 30
  return frames < 1 ? 1 : frames > kMaxHoldFrames ? kMaxHoldFrames : static_cast<int32_t>(frames);
}

// The film format's name, as a viewer knows it.
std::string FormatName(double aspect) {
  for (const auto& format : kFormatNames)
    if (aspect < format.below) return format.name;
  return kWidestFormatName;
}

}  // namespace

double DisplayAspect(int32_t width, int32_t height, const DeclaredStream& s) {
  if (!Declared(s) || width <= 0 || height <= 0) return kUndeclaredDisplayAspect;
  const int32_t active = width == kSdFrameWidth && Bt601SampleAspect(s) ? kSdActiveWidth : width;
  return (double(active) * double(s.pixelAspectNum)) / (double(height) * double(s.pixelAspectDen));
}

bool DeclaresSixteenByNine(int32_t width, int32_t height, const DeclaredStream& s) {
  if (!Declared(s) || width <= 0 || height <= 0) return false;
  const double aspect = DisplayAspect(width, height, s);
  return NearSixteenByNine(aspect) || (width == kSdFrameWidth && NearSixteenByNine(aspect * kSdActiveWidth / kSdFrameWidth));
}

AutoModeDetector::AutoModeDetector(int32_t fallbackMode, bool keepSubtitles)
    : fallback_(fallbackMode), keepSubtitles_(keepSubtitles), holdFrames_(kDefaultFramesPerSecond) {
  current_.mode = fallbackMode;
}

void AutoModeDetector::SetStream(const DeclaredStream& stream) {
  stream_ = stream;
  holdFrames_ = HoldFrames(stream);
  measurer_.Forget();
  candidate_ = Wish();
  held_ = 0;
  textSeen_ = false;
  withoutLetterbox_ = 0;
}

bool AutoModeDetector::Take(const Wish& wish, const std::string& reason) {
  const bool changed = frames_ > 0 && wish.mode != current_.mode;
  if (changed || frames_ == 0 || wish.keepsText != current_.keepsText) reason_ = reason;
  if (changed) ++changes_;
  current_ = wish;
  return changed;
}

// A frame of a stream not declared 16:9: its picture asks, and a wish held
// for a second of pictures is taken.
void AutoModeDetector::Judge(const FrameRows& frame, AutoModeDecision* decision) {
  // Text in the lower band is looked for on every frame while fit-width is
  // asked for, and now and then while it is in use.
  const bool lookForText =
      keepSubtitles_ && !textSeen_ && (candidate_.mode == kFitToWidth || frames_ % kTextFrameStep == 0);
  const PictureMeasure m = measurer_.Measure(frame, DisplayAspect(frame.width, frame.height, stream_), lookForText);
  if (m.verdict == PictureMeasure::kNoSay) return;
  Wish wish{fallback_, false};
  std::string reason = "full picture";
  if (m.verdict == PictureMeasure::kLetterbox) {
    withoutLetterbox_ = 0;
    textSeen_ = textSeen_ || m.textInLowerBand;
    wish = Wish{keepSubtitles_ && textSeen_ ? fallback_ : kFitToWidth, keepSubtitles_ && textSeen_};
    reason = "letterbox " + FormatName(m.pictureAspect);
    if (wish.keepsText) reason += " with text in the lower band, kept in view";
  } else if (++withoutLetterbox_ >= holdFrames_) {
    textSeen_ = false;  // another programme
  }
  if (wish == current_) {
    candidate_ = Wish();
    held_ = 0;
    return;
  }
  if (!(wish == candidate_)) {
    candidate_ = wish;
    candidateSince_ = frames_;
    held_ = 0;
  }
  if (++held_ < holdFrames_) return;
  decision->sinceFrames = frames_ - candidateSince_;
  decision->changed = Take(wish, reason);
  decision->noted = !decision->changed;
  candidate_ = Wish();
  held_ = 0;
}

AutoModeDecision AutoModeDetector::Feed(const FrameRows& frame) {
  AutoModeDecision decision;
  decision.first = frames_ == 0;
  const bool declared = DeclaresSixteenByNine(frame.width, frame.height, stream_);
  if (declared) {
    decision.changed = Take(Wish{kAnamorphic, false}, "declared 16:9");
    candidate_ = Wish();
    held_ = 0;
  } else {
    if (frames_ == 0 || wasDeclared_)
      decision.changed = Take(Wish{fallback_, false}, frames_ > 0 ? "declared aspect not 16:9" : "start");
    Judge(frame, &decision);
  }
  wasDeclared_ = declared;
  ++frames_;
  decision.mode = current_.mode;
  decision.reason = reason_;
  return decision;
}

}  // namespace xvf
