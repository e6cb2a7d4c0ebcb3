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
#include "framepass/auto_mode_detector.h"
#include "framepass/auto_mode_report.h"
#include "framepass/plugin_state.h"
#include "engine/frame_format.h"
#include "tools/image/frame_pixels.h"
#include "filter/printable_text.h"
#include "filter/progress_line.h"
#include "filter/raw_io.h"
#include "filter/same_file.h"
#include "filter/window_preview.h"
#include "filter/y4m_header.h"
#include "filter/y4m_planes.h"

namespace xvf {
namespace {

// What the stream is, once its first bytes are known.
struct StreamPlan {
  int32_t width = 0, height = 0, pixelFormat = 0;
  bool topDown = false;   // rows turned on the way in and out (bgr24)
  int32_t interlace = 0;
  bool y4m = false;
  Y4mHeader header;
  size_t inputBytes = 0;  // one frame as read and written: planes or raw
  size_t frameBytes = 0;  // one frame as the pass sees it
};

// Fills `plan` from the options and the input's first bytes; "" or the
// reason the stream cannot be taken.
std::string PlanStream(const FilterOptions& o, InputReader* in, StreamPlan* plan) {
  plan->pixelFormat = o.pixelFormat;
  plan->topDown = o.topDown;
  plan->interlace = o.interlace;
  plan->width = o.width;
  plan->height = o.height;
  const size_t signature = sizeof kY4mSignature - 1;
  plan->y4m = in->Peek(signature) == kY4mSignature;
  if (plan->y4m) {
    std::string line;
    const InputReader::LineEnd end = in->ReadLine(&line, kY4mLineLimit);
    if (end == InputReader::LineEnd::kTooLong) return "YUV4MPEG2 header longer than " + std::to_string(kY4mLineLimit);
    if (end != InputReader::LineEnd::kWhole) return "YUV4MPEG2 header cut short";
    const std::string malformed = ParseY4mHeader(line, &plan->header);
    if (!malformed.empty()) return malformed;
    const Y4mHeader& h = plan->header;
    if (o.width != 0 && (o.width != h.width || o.height != h.height))
      return "--size " + std::to_string(o.width) + "x" + std::to_string(o.height) + " contradicts the stream's " +
             std::to_string(h.width) + "x" + std::to_string(h.height);
    if (o.pixelFormat != 0) return "--format applies to raw input only; this is YUV4MPEG2";
    if (o.sarNum != 0 || o.sarDen != 0)
      return "--sar applies to raw input only; YUV4MPEG2 declares its pixel aspect in its header (A)";
    plan->width = h.width;
    plan->height = h.height;
    if (!o.interlaceGiven && (h.interlacing == 't' || h.interlacing == 'b')) plan->interlace = 1;
  } else if (o.width == 0) {
    return "raw input needs --size WxH (or send YUV4MPEG2, which carries its size)";
  }
  const std::string reason = UnusableStreamReason(plan->width, plan->height, plan->pixelFormat,
                                                  plan->y4m ? "YUV4MPEG2" : RawFormatName(o.pixelFormat, o.topDown));
  if (!reason.empty()) return "the frame pass cannot take " + reason;
  plan->frameBytes = FrameBytes(plan->width, plan->height, plan->pixelFormat);
  plan->inputBytes = plan->frameBytes;
  if (plan->y4m) {
    if (plan->interlace && plan->header.chroma == Y4mChroma::k420 && plan->height % 4 != 0)
      return "4:2:0 by fields needs a height that is a multiple of 4, not " + std::to_string(plan->height) +
             " (try --no-fields)";
    plan->inputBytes = Y4mFrameBytes(plan->header);
  }
  return std::string();
}

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

// Opens every output and checks them against each other and the input, so
// that a later emptying can lose nothing. "" or the failure; *refused when
// two roles share a file.
std::string OpenOutputs(const FilterStreams& s, const std::vector<RoledOutput>& outputs, bool* refused) {
  std::vector<NamedFile> files = {DescribeFd("input", s.inputName, s.input)};
  for (const RoledOutput& out : outputs) {
    if (const int error = out.file->Open())
      return std::string("cannot write the ") + out.role + " " + out.file->name() + ": " + std::strerror(error);
    files.push_back(out.file->Describe(out.role));
  }
  const std::string same = SameFile(files);
  *refused = !same.empty();
  return same;
}

std::string WriteFailure(const OutputFile& file, int error) {
  return "writing " + file.name() + ": " + std::strerror(error);
}

}  // namespace

std::string UnusableStreamReason(int32_t width, int32_t height, int32_t pixelFormat, const char* formatName) {
  PluginState probe;
  probe.width = width;
  probe.height = height;
  probe.pixelFormat = pixelFormat;
  if (probe.StreamIsUsable()) return std::string();
  char text[200];
  if (width >= kSideLimit || height >= kSideLimit)
    std::snprintf(text, sizeof text, "%dx%d %s: width and height must be below %d", width, height, formatName,
                  kSideLimit);
  else if (PixelFormatOf(pixelFormat) == PixelFormat::kYuy2 && (width & 1))
    std::snprintf(text, sizeof text, "%dx%d %s: YUY2 frames need an even width", width, height, formatName);
  else
    std::snprintf(text, sizeof text, "%dx%d %s: a frame must be at most 2 GiB", width, height, formatName);
  return text;
}

int RunFrameFilter(const FilterOptions& o, const FilterStreams& streams) {
  InputReader in(streams.input);
  StreamPlan plan;
  auto say = [&](const std::string& message) {
    std::fprintf(streams.messages, "xvf-aspect: %s\n", PrintableText(message).c_str());
  };
  if (in.Peek(1).empty()) {
    say(in.error() ? "reading " + streams.inputName + ": " + std::strerror(in.error()) : "no frames in the input");
    return 1;
  }
  const std::string refused = PlanStream(o, &in, &plan);
  if (!refused.empty()) {
    say(refused);
    return 2;
  }

  PluginState state;
  state.Start(StreamFormat{plan.width, plan.height, 0, plan.pixelFormat, 0}, nullptr);
  FrameInputs inputs;
  inputs.aspectMode = o.aspectMode;
  inputs.interlace = plan.interlace;
  inputs.windowFound = true;
  inputs.clientWidth = o.clientWidth;
  inputs.clientHeight = o.clientHeight;
  const bool autoMode = o.aspectMode == kAutoMode;
  AutoModeDetector detector(o.autoFallback, o.autoKeepSubtitles);
  detector.SetStream(Declared(o, plan));
  const ptrdiff_t frameRowBytes = static_cast<ptrdiff_t>(plan.frameBytes / plan.height);
  const std::vector<RoledOutput> outputs = Outputs(streams, o.geometry);
  OutputFile& out = *streams.output;

  const auto started = std::chrono::steady_clock::now();
  ProgressLine progress(streams.showProgress, streams.messages);
  // Taken with the first frame, not zeroed: pages are touched only as bytes arrive.
  std::unique_ptr<uint8_t[]> frame, planes;
  uint8_t* inputFrame = nullptr;
  int64_t frames = 0;  // complete frames written
  int status = 0;
  auto fail = [&](const std::string& message, int exitStatus = 1) {
    progress.Finish();
    say(message);
    status = exitStatus;
  };
  auto complete = [&] { return "; " + std::to_string(frames) + " complete frames written"; };

  std::string frameLine = "FRAME";
  while (status == 0) {
    if (plan.y4m) {
      const InputReader::LineEnd end = in.ReadLine(&frameLine, kY4mLineLimit);
      if (end == InputReader::LineEnd::kNone) break;
      if (end == InputReader::LineEnd::kError) {
        fail("reading frame " + std::to_string(frames) + ": " + std::strerror(in.error()) + complete());
        break;
      }
      if (end == InputReader::LineEnd::kCut) {
        fail("input ended inside the header of frame " + std::to_string(frames) + complete());
        break;
      }
      if (end == InputReader::LineEnd::kTooLong || !IsY4mFrameHeader(frameLine)) {
        fail("frame " + std::to_string(frames) + ": no FRAME header where one belongs" + complete());
        break;
      }
    }
    if (!frame) {
      frame.reset(new (std::nothrow) uint8_t[plan.frameBytes]);
      if (plan.y4m) planes.reset(new (std::nothrow) uint8_t[plan.inputBytes]);
      if (!frame || (plan.y4m && !planes)) {
        fail("no memory for a frame of " + std::to_string(plan.frameBytes + (plan.y4m ? plan.inputBytes : 0)) +
             " bytes");
        break;
      }
      inputFrame = plan.y4m ? planes.get() : frame.get();
    }
    const ReadOutcome read = in.Read(inputFrame, plan.inputBytes);
    if (read.error != 0) {
      fail("reading frame " + std::to_string(frames) + ": " + std::strerror(read.error) + complete());
      break;
    }
    if (read.bytes == 0 && !plan.y4m) break;
    if (read.bytes < plan.inputBytes) {
      fail("input ended inside frame " + std::to_string(frames) + ": " + std::to_string(read.bytes) +
           " bytes left over (a frame is " + std::to_string(plan.inputBytes) + " bytes)" + complete());
      break;
    }
    const size_t rowBytes = static_cast<size_t>(plan.width) * 3;
    if (plan.y4m) PlanesToYuy2(planes.get(), plan.header, plan.interlace != 0, frame.get());
    if (plan.topDown) FlipRows(frame.get(), rowBytes, plan.height);

    AutoModeDecision decision;
    if (autoMode) {
      decision = detector.Feed(FrameView{frame.get(), plan.width, plan.height, plan.pixelFormat, frameRowBytes});
      inputs.aspectMode = decision.mode;
    }
    const int32_t result = state.ProcessFrame(frame.get(), inputs);
    if (frames == 0) {
      // The first complete frame: every output opened, the preview written,
      // then emptied; a failure here removes what this run created.
      bool sameFile = false;
      std::string failure = OpenOutputs(streams, outputs, &sameFile);
      if (failure.empty() && streams.preview) {
        const int error = SaveWindowPreview(streams.preview->fd(), frame.get(), plan.width, plan.height,
                                            plan.pixelFormat, o.clientWidth, o.clientHeight)
                              ? streams.preview->Finish()
                              : errno;
        if (error != 0) failure = "cannot write the preview " + streams.preview->name() + ": " + std::strerror(error);
      }
      for (const RoledOutput& output : outputs)
        if (const int error = failure.empty() ? output.file->Empty() : 0)
          failure = "cannot empty " + output.file->name() + ": " + std::strerror(error);
      if (!failure.empty()) {
        for (const RoledOutput& output : outputs) output.file->Discard();
        fail(failure, sameFile ? 2 : 1);
        break;
      }
      if (plan.y4m) {
        int64_t num = 0, den = 0;
        WindowPixelAspect(plan.width, plan.height, o.clientWidth, o.clientHeight, &num, &den);
        const std::string header = Y4mHeaderLine(plan.header, num, den);
        if (const int error = out.Write(header.data(), header.size())) {
          fail(error == EPIPE ? "output closed after 0 frames" : WriteFailure(out, error));
          break;
        }
      }
    }
    if (plan.topDown) FlipRows(frame.get(), rowBytes, plan.height);
    if (plan.y4m) Yuy2ToPlanes(frame.get(), plan.header, plan.interlace != 0, planes.get());
    int error = 0;
    if (plan.y4m) {
      frameLine += '\n';
      error = out.Write(frameLine.data(), frameLine.size());
    }
    if (error == 0) error = out.Write(inputFrame, plan.inputBytes);
    if (error == EPIPE) {
      fail("output closed after " + std::to_string(frames) + " frames");
      break;
    }
    if (error != 0) {
      fail(WriteFailure(out, error) + complete());
      break;
    }
    ++frames;
    // After the frame it describes: a geometry file that fails on the first
    // line leaves the output with one complete frame, not emptied.
    if (o.geometry) {
      // One write per line, so lines stay whole when the descriptor is shared.
      AspectGeometry geometry;
      const bool haveGeometry = PassGeometry(inputs.aspectMode, o, plan, &geometry);
      const std::string line = GeometryLine(frames - 1, inputs.aspectMode, result, haveGeometry, geometry);
      if (const int error = streams.geometry->Write(line.data(), line.size())) {
        fail(WriteFailure(*streams.geometry, error) + complete());
        break;
      }
    }
    if ((decision.first || decision.changed || decision.noted) && !o.quiet &&
        !(o.geometry && streams.geometry->fd() == STDERR_FILENO)) {
      progress.Break();
      const std::string report = AutoModeReport(frames - 1, decision, Declared(o, plan), AspectModeName(decision.mode));
      std::fprintf(streams.messages, "%s\n", report.c_str());
    }
    progress.Update(frames);
  }
  progress.Finish();
  if (status == 0 && frames == 0) fail("no frames in the input");
  // Complete frames stay, and a failed close is a failed write; a file this
  // run created holds nothing without them.
  for (const RoledOutput& output : outputs) {
    if (frames == 0) output.file->Discard();
    if (const int error = output.file->Finish())
      if (status == 0) fail("closing " + output.file->name() + ": " + std::strerror(error));
  }
  // Not with geometry lines on standard error, which scripts read whole.
  if (!o.quiet && frames > 0 && !(o.geometry && streams.geometry->fd() == STDERR_FILENO)) {
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    const long long changes = detector.changes();
    const std::string mode = !autoMode ? AspectModeName(o.aspectMode)
                                       : "auto (" + std::to_string(changes) + (changes == 1 ? " change)" : " changes)");
    std::fprintf(streams.messages, "%lld frames, %.1f fps, mode %s, window %dx%d\n", static_cast<long long>(frames),
                 seconds > 0 ? frames / seconds : 0.0, mode.c_str(), o.clientWidth, o.clientHeight);
  }
  return status;
}

}  // namespace xvf
