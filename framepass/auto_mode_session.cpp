#include "framepass/auto_mode_session.h"

#include "framepass/auto_mode_report.h"
#include "framepass/frame_modes.h"

namespace xvf {

bool ParseAutoSubtitles(const std::string& text, bool* keep) {
  if (text != "keep" && text != "crop") return false;
  *keep = text == "keep";
  return true;
}

AutoModeSession::AutoModeSession(int32_t fallbackMode, bool keepSubtitles)
    : fallback_(fallbackMode), keepSubtitles_(keepSubtitles), detector_(fallbackMode, keepSubtitles) {}

void AutoModeSession::SetStream(const DeclaredStream& stream) {
  stream_ = stream;
  detector_.SetStream(stream);
}

AutoModeStep AutoModeSession::Feed(const FrameRows& frame, int64_t number) {
  AutoModeStep step;
  step.decision = detector_.Feed(frame);
  step.mode = step.decision.mode;
  if (step.decision.first || step.decision.changed || step.decision.noted)
    step.report = AutoModeReport(number, step.decision, stream_, AspectModeName(step.mode));
  return step;
}

}  // namespace xvf
