#include "filter/frame_filter.h"

#include <errno.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

#include "framepass/aspect_geometry.h"
#include "framepass/auto_mode_session.h"
#include "framepass/plugin_state.h"
#include "filter/printable_text.h"
#include "filter/progress_line.h"
#include "filter/raw_io.h"
#include "filter/replace_together.h"
#include "filter/same_file.h"
#include "filter/stream_plan.h"
#include "filter/window_preview.h"
#include "filter/y4m_header.h"
#include "filter/y4m_planes.h"

namespace xvf {
namespace {

// The rectangles the pass computes for this window in `mode`: the pass gets
// that far for every frame of a usable stream with a visible window, except in
// mode 0 and when the geometry has no result (an intermediate beyond 32 bits).
bool PassGeometry(int32_t mode, const FilterOptions& o, const StreamPlan& p, AspectGeometry* geometry) {
  if (mode == kFitToWindow) return false;
  return ComputeAspectGeometry(mode, p.width, p.height, o.clientWidth, o.clientHeight, geometry);
}

std::string GeometryLine(long long frame, int32_t mode, int32_t result, bool haveGeometry, const AspectGeometry& g) {
  char line[176];
  if (haveGeometry) {
    const Rect& s = g.srcRect;
    const Rect& d = g.dstRect;
    std::snprintf(line, sizeof line,
                  "{\"frame\":%lld,\"mode\":%d,\"result\":%d,\"src\":[%d,%d,%d,%d],\"dst\":[%d,%d,%d,%d]}\n", frame,
                  mode, result, s.left, s.top, s.right, s.bottom, d.left, d.top, d.right, d.bottom);
  } else {
    std::snprintf(line, sizeof line, "{\"frame\":%lld,\"mode\":%d,\"result\":%d,\"src\":null,\"dst\":null}\n", frame,
                  mode, result);
  }
  return line;
}

// What auto mode is told of the stream: the header's pixel aspect and rate,
// or --sar for raw frames.
DeclaredStream Declared(const FilterOptions& o, const StreamPlan& p) {
  if (p.y4m) return DeclaredStream{p.header.aspectNum, p.header.aspectDen, p.header.rateNum, p.header.rateDen};
  return DeclaredStream{o.sarNum, o.sarDen, 0, 0};
}

// Why a step on `file` failed: what stood in the way, where the file knows
// more than the errno tells, then the errno's text.
std::string Reason(const OutputFile& file, int error) {
  if (file.problem().empty()) return std::strerror(error);
  return file.problem() + " (" + std::strerror(error) + ")";
}

void FlipRows(uint8_t* frame, size_t rowBytes, int32_t height) {
  for (int32_t top = 0, bottom = height - 1; top < bottom; ++top, --bottom)
    std::swap_ranges(frame + top * rowBytes, frame + (top + 1) * rowBytes, frame + bottom * rowBytes);
}

// Every output the run has, with its role in same-file messages.
struct RoledOutput {
  OutputFile* file;
  const char* role;
};

std::vector<RoledOutput> Outputs(const FilterStreams& s, bool geometry) {
  std::vector<RoledOutput> outputs = {{s.output, "output"}};
  if (geometry)  // standard error is open from the start, a FILE only from the first frame
    outputs.push_back({s.geometry, s.geometry->IsOpen() ? "geometry lines" : "geometry file"});
  if (s.preview) outputs.push_back({s.preview, "preview"});
  return outputs;
}

// One run over the input, a step per method: Plan, then for each frame
// ReadFrame, ChooseMode, Process, Write and Report; Finish at the end. A
// failing step says why and sets the exit status; the run stops there.
class FilterRun {
 public:
  FilterRun(const FilterOptions& o, const FilterStreams& s)
      : o_(o), s_(s), in_(s.input), outputs_(Outputs(s, o.geometry)), out_(*s.output),
        autoMode_(o.autoFallback, o.autoKeepSubtitles), progress_(s.showProgress, s.messages) {}

  int Run() {
    if (!Plan()) return status_;
    while (ReadFrame()) {
      ChooseMode();
      if (!Process() || !Write()) break;
      Report();
    }
    return Finish();
  }

 private:
  bool Plan();
  bool ReadFrame();  // false at the end of the input or on a failure
  void ChooseMode();
  bool Process();
  bool Write();
  bool StartOutputs();
  void Report();
  int Finish();

  void Say(const std::string& message) const {
    std::fprintf(s_.messages, "xvf-aspect: %s\n", PrintableText(message).c_str());
  }
  bool Fail(const std::string& message, int status = 1) {
    progress_.Finish();
    Say(message);
    status_ = status;
    return false;
  }
  // What the output holds after a failure.
  std::string Kept() const {
    if (out_.Replaces()) return "; nothing written to " + out_.name();
    return "; " + std::to_string(frames_) + " complete frames written";
  }
  bool GeometryOnStandardError() const { return o_.geometry && s_.geometry->fd() == STDERR_FILENO; }

  const FilterOptions& o_;
  const FilterStreams& s_;
  InputReader in_;
  StreamPlan plan_;
  const std::vector<RoledOutput> outputs_;
  OutputFile& out_;
  PluginState state_;
  FrameInputs inputs_;
  AutoModeSession autoMode_;
  AutoModeStep autoStep_;  // of the current frame
  int32_t result_ = 0;  // of the pass on the current frame
  ProgressLine progress_;
  std::chrono::steady_clock::time_point started_ = std::chrono::steady_clock::now();
  // Taken with the first frame, not zeroed: pages are touched only as bytes arrive.
  std::unique_ptr<uint8_t[]> frame_, planes_;
  uint8_t* inputFrame_ = nullptr;  // where a frame is read and written from: planes_ or frame_
  std::string frameLine_ = "FRAME";
  int64_t frames_ = 0;  // complete frames written
  int status_ = 0;
};

bool FilterRun::Plan() {
  if (in_.Peek(1).empty())
    return Fail(in_.error() ? "reading " + s_.inputName + ": " + std::strerror(in_.error()) : "no frames in the input");
  const std::string refused = PlanStream(o_, s_.inputName, &in_, &plan_);
  if (!refused.empty()) return Fail(refused, 2);
  // Also with -q (which silences progress only); never among geometry lines.
  if (!plan_.warning.empty() && !GeometryOnStandardError()) Say(plan_.warning);
  state_.Start(StreamFormat{plan_.width, plan_.height, 0, HostCodeOf(plan_.format), 0}, nullptr);
  inputs_.aspectMode = o_.aspectMode;
  inputs_.interlace = plan_.interlace;
  inputs_.windowFound = true;
  inputs_.clientWidth = o_.clientWidth;
  inputs_.clientHeight = o_.clientHeight;
  autoMode_.SetStream(Declared(o_, plan_));
  return true;
}

bool FilterRun::ReadFrame() {
  const std::string number = std::to_string(frames_);
  if (plan_.y4m) {
    const InputReader::LineEnd end = in_.ReadLine(&frameLine_, kY4mLineLimit);
    if (end == InputReader::LineEnd::kNone) return false;
    if (end == InputReader::LineEnd::kError)
      return Fail("reading frame " + number + ": " + std::strerror(in_.error()) + Kept());
    if (end == InputReader::LineEnd::kCut) return Fail("input ended inside the header of frame " + number + Kept());
    if (end == InputReader::LineEnd::kTooLong || !IsY4mFrameHeader(frameLine_))
      return Fail("frame " + number + ": no FRAME header where one belongs" + Kept());
  }
  if (!frame_) {
    frame_.reset(new (std::nothrow) uint8_t[plan_.frameBytes]);
    if (plan_.y4m) planes_.reset(new (std::nothrow) uint8_t[plan_.inputBytes]);
    if (!frame_ || (plan_.y4m && !planes_))
      return Fail("no memory for a frame of " +
                  std::to_string(plan_.frameBytes + (plan_.y4m ? plan_.inputBytes : 0)) + " bytes");
    inputFrame_ = plan_.y4m ? planes_.get() : frame_.get();
  }
  const ReadOutcome read = in_.Read(inputFrame_, plan_.inputBytes);
  if (read.error != 0) return Fail("reading frame " + number + ": " + std::strerror(read.error) + Kept());
  if (read.bytes == 0 && !plan_.y4m) return false;
  if (read.bytes < plan_.inputBytes)
    return Fail("input ended inside frame " + number + ": " + std::to_string(read.bytes) +
                " bytes left over (a frame is " + std::to_string(plan_.inputBytes) + " bytes)" + Kept());
  // Into the pass's layout: YUY2 or RGB24 rows bottom-up.
  if (plan_.y4m) PlanesToYuy2(planes_.get(), plan_.header, plan_.interlace != 0, frame_.get());
  if (plan_.topDown) FlipRows(frame_.get(), static_cast<size_t>(plan_.width) * 3, plan_.height);
  return true;
}

void FilterRun::ChooseMode() {
  if (o_.aspectMode != kAutoMode) return;
  autoStep_ = autoMode_.Feed(PackedRows(frame_.get(), plan_.format, plan_.width, plan_.height), frames_);
  inputs_.aspectMode = autoStep_.mode;
}

// A frame the scaler left as it was for want of memory is a failure, not a
// frame the pass had no reason to change.
bool FilterRun::Process() {
  const int32_t wanting = state_.FramesLeftForWantOfMemory();
  result_ = state_.ProcessFrame(frame_.get(), inputs_);
  if (state_.FramesLeftForWantOfMemory() == wanting) return true;
  return Fail("no memory to scale a " + std::to_string(plan_.width) + "x" + std::to_string(plan_.height) + " frame" +
              Kept());
}

// The first complete frame: every output opened and checked against the
// others, the preview written, the YUV4MPEG2 header written.
bool FilterRun::StartOutputs() {
  std::vector<NamedFile> files = {DescribeFd("input", s_.inputName, s_.input)};
  for (const RoledOutput& out : outputs_) {
    if (const int error = out.file->Open())
      return Fail(std::string("cannot write the ") + out.role + " " + out.file->name() + ": " +
                  Reason(*out.file, error));
    files.push_back(out.file->Describe(out.role));
  }
  const std::string same = SameFile(files);
  if (!same.empty()) return Fail(same, 2);
  if (s_.preview) {
    const int error = SaveWindowPreview(s_.preview->fd(), frame_.get(), plan_.width, plan_.height,
                                        plan_.format, o_.clientWidth, o_.clientHeight)
                          ? 0
                          : errno;
    if (error != 0) return Fail("cannot write the preview " + s_.preview->name() + ": " + std::strerror(error));
  }
  if (!plan_.y4m) return true;
  int64_t num = 0, den = 0;
  WindowPixelAspect(plan_.width, plan_.height, o_.clientWidth, o_.clientHeight, &num, &den);
  const std::string header = Y4mHeaderLine(plan_.header, num, den);
  const int error = out_.Write(header.data(), header.size());
  if (error == EPIPE) return Fail("output closed after 0 frames");
  return error == 0 || Fail("writing " + out_.name() + ": " + std::strerror(error));
}

// The frame in the stream's layout, then its geometry line: after the frame
// it describes.
bool FilterRun::Write() {
  if (frames_ == 0 && !StartOutputs()) return false;
  if (plan_.topDown) FlipRows(frame_.get(), static_cast<size_t>(plan_.width) * 3, plan_.height);
  if (plan_.y4m) Yuy2ToPlanes(frame_.get(), plan_.header, plan_.interlace != 0, planes_.get());
  int error = 0;
  if (plan_.y4m) {
    frameLine_ += '\n';
    error = out_.Write(frameLine_.data(), frameLine_.size());
  }
  if (error == 0) error = out_.Write(inputFrame_, plan_.inputBytes);
  if (error == EPIPE) return Fail("output closed after " + std::to_string(frames_) + " frames");
  if (error != 0) return Fail("writing " + out_.name() + ": " + std::strerror(error) + Kept());
  ++frames_;
  if (!o_.geometry) return true;
  // One write per line, so lines stay whole when the descriptor is shared.
  AspectGeometry geometry;
  const bool haveGeometry = PassGeometry(inputs_.aspectMode, o_, plan_, &geometry);
  const std::string line = GeometryLine(frames_ - 1, inputs_.aspectMode, result_, haveGeometry, geometry);
  error = s_.geometry->Write(line.data(), line.size());
  return error == 0 || Fail("writing " + s_.geometry->name() + ": " + std::strerror(error) + Kept());
}

// Auto's changes, one line each (not among geometry lines), and the progress.
void FilterRun::Report() {
  if (!autoStep_.report.empty() && !o_.quiet && !GeometryOnStandardError()) {
    progress_.Break();
    std::fprintf(s_.messages, "%s\n", autoStep_.report.c_str());
  }
  progress_.Update(frames_);
}

// A run that failed leaves every file as it was; one that did not closes
// every output, and only when all are on disk replaces the user's files.
int FilterRun::Finish() {
  progress_.Finish();
  if (status_ == 0 && frames_ == 0) Fail("no frames in the input");
  for (const RoledOutput& output : outputs_)
    if (const int error = status_ == 0 ? output.file->Close() : 0)
      Fail("closing " + output.file->name() + ": " + Reason(*output.file, error) + Kept());
  if (status_ == 0) {
    std::vector<OutputFile*> files;
    for (const RoledOutput& output : outputs_) files.push_back(output.file);
    const ReplaceFailure failed = ReplaceTogether(files);
    if (failed.file)
      Fail("replacing " + failed.file->name() + ": " + Reason(*failed.file, failed.error) + "; no file was replaced");
  }
  for (const RoledOutput& output : outputs_) output.file->Discard();
  // Not with geometry lines on standard error, which scripts read whole.
  if (!o_.quiet && frames_ > 0 && !GeometryOnStandardError()) {
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started_).count();
    const long long changes = autoMode_.changes();
    const std::string mode = o_.aspectMode != kAutoMode
                                 ? AspectModeName(o_.aspectMode)
                                 : "auto (" + std::to_string(changes) + (changes == 1 ? " change)" : " changes)");
    std::fprintf(s_.messages, "%lld frames, %.1f fps, mode %s, window %dx%d\n", static_cast<long long>(frames_),
                 seconds > 0 ? frames_ / seconds : 0.0, mode.c_str(), o_.clientWidth, o_.clientHeight);
  }
  return status_;
}

}  // namespace

int RunFrameFilter(const FilterOptions& options, const FilterStreams& streams) {
  return FilterRun(options, streams).Run();
}

}  // namespace xvf
