#include "filter/progress_line.h"

namespace xvf {
namespace {

constexpr std::chrono::milliseconds kInterval(250);

}  // namespace

ProgressLine::ProgressLine(bool enabled, FILE* out)
    : enabled_(enabled), out_(out), start_(std::chrono::steady_clock::now()), lastPrint_(start_) {}

void ProgressLine::Update(int64_t frames) {
  frames_ = frames;
  if (!enabled_) return;
  const auto now = std::chrono::steady_clock::now();
  if (now - lastPrint_ < kInterval) return;
  lastPrint_ = now;
  Print();
}

void ProgressLine::Print() {
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
  const double fps = seconds > 0 ? frames_ / seconds : 0.0;
  std::fprintf(out_, "\rframes %lld, %.1f fps ", static_cast<long long>(frames_), fps);
  std::fflush(out_);
  shown_ = true;
}

void ProgressLine::Break() {
  if (!enabled_ || !shown_) return;
  std::fputc('\n', out_);
  shown_ = false;
}

void ProgressLine::Finish() {
  if (!enabled_) return;
  if (shown_ || frames_ > 0) {
    Print();
    std::fputc('\n', out_);
  }
  enabled_ = false;
}

}  // namespace xvf
