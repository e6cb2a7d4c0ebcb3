#include "framepass/auto_mode_report.h"

#include <cstdio>

#include "framepass/auto_mode_thresholds.h"

namespace xvf {

std::string StreamTime(int64_t frame, const DeclaredStream& stream) {
  const bool rated = stream.rateNum > 0 && stream.rateDen > 0;
  const double num = rated ? double(stream.rateNum) : auto_mode::kDefaultFramesPerSecond;
  const double den = rated ? double(stream.rateDen) : 1.0;
  // Beyond a million hours the time stops: no rate makes a stream that long.
  const double exact = double(frame < 0 ? 0 : frame) * den * 100.0 / num + 0.5;
  const int64_t centis = exact < 360000.0e6 ? static_cast<int64_t>(exact) : int64_t{360000} * 1000000;
  const int64_t seconds = centis / 100, hours = seconds / 3600;
  char text[48];
  if (hours > 0) {
    std::snprintf(text, sizeof text, "%lld:%02lld:%02lld.%02lld", static_cast<long long>(hours),
                  static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60),
                  static_cast<long long>(centis % 100));
  } else {
    std::snprintf(text, sizeof text, "%lld:%02lld.%02lld", static_cast<long long>(seconds / 60),
                  static_cast<long long>(seconds % 60), static_cast<long long>(centis % 100));
  }
  return text;
}

std::string AutoModeReport(int64_t frame, const AutoModeDecision& decision, const DeclaredStream& stream,
                           const char* modeName) {
  std::string line = "frame " + std::to_string(frame) + " (" + StreamTime(frame, stream) + "): " + decision.reason;
  if ((decision.changed || decision.noted) && decision.sinceFrames > 0) {
    const int64_t since = frame - decision.sinceFrames;
    line += " from frame " + std::to_string(since) + " (" + StreamTime(since, stream) + ")";
  }
  return line + ", " + modeName;
}

}  // namespace xvf
