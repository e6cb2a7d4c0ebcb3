#pragma once
#include <cstdint>
#include <string>

#include "engine/frame_format.h"
#include "framepass/auto_mode_detector.h"

namespace xvf {

// The auto-subtitles choice by its name: "keep" (true) or "crop" (false);
// false for any other text, `keep` untouched.
bool ParseAutoSubtitles(const std::string& text, bool* keep);

// What a product does with one frame in auto: frames it in `mode`, and
// writes `report` where it reports when it is not empty.
struct AutoModeStep {
  int32_t mode = kPanorama;   // 0..4
  AutoModeDecision decision;  // the detector's, for products that tell its parts apart
  std::string report;         // the report line without a newline; empty: nothing to say
};

// The automatic mode as the filter, the element and the mpv plug-in run it:
// the detector with its fallback and subtitles choice, the stream as
// declared, and what is reported: the first choice, each change and each
// new reason in the same mode, each with its frame and time (AutoModeReport).
// The products feed frames and apply the mode.
class AutoModeSession {
 public:
  AutoModeSession(int32_t fallbackMode, bool keepSubtitles);

  // At the start and whenever the stream's description changes.
  void SetStream(const DeclaredStream& stream);

  // `number` is the frame's number in the stream: its time at the declared
  // rate, and where reports place it.
  AutoModeStep Feed(const FrameRows& frame, int64_t number);

  int32_t fallback() const { return fallback_; }
  bool keepsSubtitles() const { return keepSubtitles_; }
  int32_t mode() const { return detector_.mode(); }
  int64_t changes() const { return detector_.changes(); }

 private:
  int32_t fallback_;
  bool keepSubtitles_;
  DeclaredStream stream_;
  AutoModeDetector detector_;
};

}  // namespace xvf
