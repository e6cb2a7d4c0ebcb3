#pragma once
#include <chrono>
#include <cstdint>
#include <cstdio>

namespace xvf {

// "frames N, F fps" rewritten in place on a terminal, at most four times a
// second. A disabled line prints nothing.
class ProgressLine {
 public:
  ProgressLine(bool enabled, FILE* out);

  void Update(int64_t frames);

  // Ends a line that is shown, so that a message has a line of its own; the
  // next update starts a new one.
  void Break();

  // Prints the last count and ends the line, so that messages start on a
  // line of their own. Later calls do nothing.
  void Finish();

 private:
  void Print();

  bool enabled_;
  bool shown_ = false;
  FILE* out_;
  int64_t frames_ = 0;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point lastPrint_;
};

}  // namespace xvf
