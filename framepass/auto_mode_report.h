#pragma once
#include <cstdint>
#include <string>

#include "framepass/auto_mode_detector.h"

namespace xvf {

// A frame's time in the stream, "m:ss.cc" (or "h:mm:ss.cc"), at the declared
// rate or, without one, 25 frames a second.
std::string StreamTime(int64_t frame, const DeclaredStream& stream);

// The line a viewer reads for a decision worth reporting (first, changed or
// noted), without a newline:
//   frame 0 (0:00.00): declared 16:9, anamorphic
//   frame 175 (0:07.00): full picture from frame 150 (0:06.00), panorama
// `frame` is the frame the decision is for, where the mode takes effect;
// `modeName` names decision.mode.
std::string AutoModeReport(int64_t frame, const AutoModeDecision& decision, const DeclaredStream& stream,
                           const char* modeName);

}  // namespace xvf
