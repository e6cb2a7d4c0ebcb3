#include "tools/xvf-aspect/frame_filter.h"

#include <errno.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "plugin/aspect_geometry.h"
#include "plugin/plugin_state.h"
#include "engine/frame_format.h"
#include "tools/image/frame_pixels.h"
#include "tools/xvf-aspect/progress_line.h"
#include "tools/xvf-aspect/raw_io.h"
#include "tools/xvf-aspect/window_preview.h"
#include "tools/xvf-aspect/y4m_header.h"
#include "tools/xvf-aspect/y4m_planes.h"

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

// The rectangles the pass computes for this window: the pass gets that far
// for every frame of a usable stream with a visible window, except in mode 0
// and when the geometry has no result (an intermediate beyond 32 bits).
bool PassGeometry(const FilterOptions& o, const StreamPlan& p, AspectGeometry* geometry) {
  if (o.aspectMode == kFitToWindow) return false;
  return ComputeAspectGeometry(o.aspectMode, p.width, p.height, o.clientWidth, o.clientHeight, geometry);
}

std::string GeometryLine(long long frame, int32_t result, bool haveGeometry, const AspectGeometry& g) {
  char line[160];
  if (haveGeometry) {
    const Rect& s = g.srcRect;
    const Rect& d = g.dstRect;
    std::snprintf(line, sizeof line, "{\"frame\":%lld,\"result\":%d,\"src\":[%d,%d,%d,%d],\"dst\":[%d,%d,%d,%d]}\n",
                  frame, result, s.left, s.top, s.right, s.bottom, d.left, d.top, d.right, d.bottom);
  } else {
    std::snprintf(line, sizeof line, "{\"frame\":%lld,\"result\":%d,\"src\":null,\"dst\":null}\n", frame, result);
  }
  return line;
}

void FlipRows(uint8_t* frame, size_t rowBytes, int32_t height) {
  for (int32_t top = 0, bottom = height - 1; top < bottom; ++top, --bottom)
    std::swap_ranges(frame + top * rowBytes, frame + (top + 1) * rowBytes, frame + bottom * rowBytes);
}

// The output descriptor, emptied at the first write when asked to.
class Output {
 public:
  explicit Output(const FilterStreams& s) : fd_(s.output), truncate_(s.truncateOutput) {}
  int Write(const void* data, size_t size) {
    if (truncate_) {
      truncate_ = false;
      if (ftruncate(fd_, 0) != 0) return errno;
    }
    return WriteFull(fd_, static_cast<const uint8_t*>(data), size);
  }

 private:
  int fd_;
  bool truncate_;
};

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
  Output out(streams);
  StreamPlan plan;
  const bool empty = in.Peek(1).empty();
  if (empty && in.error()) {
    std::fprintf(streams.messages, "xvf-aspect: reading the input: %s\n", std::strerror(in.error()));
    return 1;
  }
  if (!empty) {
    const std::string refused = PlanStream(o, &in, &plan);
    if (!refused.empty()) {
      std::fprintf(streams.messages, "xvf-aspect: %s\n", refused.c_str());
      return 2;
    }
  }

  // Frame memory only now that input has arrived.
  std::vector<uint8_t> frame, planes;
  try {
    frame.resize(plan.frameBytes);
    if (plan.y4m) planes.resize(plan.inputBytes);
  } catch (const std::bad_alloc&) {
    std::fprintf(streams.messages, "xvf-aspect: no memory for a frame of %zu bytes\n", plan.frameBytes + plan.inputBytes);
    return 1;
  }
  uint8_t* const inputFrame = plan.y4m ? planes.data() : frame.data();

  PluginState state;
  state.Start(StreamFormat{plan.width, plan.height, 0, plan.pixelFormat, 0}, nullptr);
  FrameInputs inputs;
  inputs.aspectMode = o.aspectMode;
  inputs.interlace = plan.interlace;
  inputs.windowFound = true;
  inputs.clientWidth = o.clientWidth;
  inputs.clientHeight = o.clientHeight;
  AspectGeometry geometry;
  const bool haveGeometry = !empty && PassGeometry(o, plan, &geometry);

  const auto started = std::chrono::steady_clock::now();
  ProgressLine progress(streams.showProgress, streams.messages);
  int64_t frames = 0;  // complete frames written
  int status = 0;
  auto fail = [&](const std::string& message) {
    progress.Finish();
    std::fprintf(streams.messages, "xvf-aspect: %s\n", message.c_str());
    status = 1;
  };
  auto complete = [&] { return "; " + std::to_string(frames) + " complete frames written"; };

  if (plan.y4m) {
    int64_t num = 0, den = 0;
    WindowPixelAspect(plan.width, plan.height, o.clientWidth, o.clientHeight, &num, &den);
    const std::string header = Y4mHeaderLine(plan.header, num, den);
    const int error = out.Write(header.data(), header.size());
    if (error != 0)
      fail(error == EPIPE ? std::string("output closed after 0 frames")
                          : std::string("writing the YUV4MPEG2 header: ") + std::strerror(error));
  }
  std::string frameLine = "FRAME";
  while (status == 0 && !empty) {
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
    if (plan.y4m) PlanesToYuy2(planes.data(), plan.header, plan.interlace != 0, frame.data());
    if (plan.topDown) FlipRows(frame.data(), rowBytes, plan.height);

    const int32_t result = state.ProcessFrame(frame.data(), inputs);
    if (o.geometry) {
      // One write per line, so lines stay whole when the descriptor is shared.
      const std::string line = GeometryLine(frames, result, haveGeometry, geometry);
      WriteFull(streams.geometry, reinterpret_cast<const uint8_t*>(line.data()), line.size());
    }
    errno = 0;
    if (frames == 0 && !o.previewPath.empty() &&
        !SaveWindowPreview(o.previewPath, frame.data(), plan.width, plan.height, plan.pixelFormat, o.clientWidth,
                           o.clientHeight)) {
      const int error = errno;
      fail("cannot write the preview " + o.previewPath + ": " + (error != 0 ? std::strerror(error) : "write failed"));
      break;
    }
    if (plan.topDown) FlipRows(frame.data(), rowBytes, plan.height);
    if (plan.y4m) Yuy2ToPlanes(frame.data(), plan.header, plan.interlace != 0, planes.data());
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
      fail("writing frame " + std::to_string(frames) + ": " + std::strerror(error));
      break;
    }
    progress.Update(++frames);
  }
  progress.Finish();
  if (status == 0 && frames == 0 && !o.previewPath.empty())
    fail("no complete frame in the input; no preview written");
  // Not with geometry lines on standard error, which scripts read whole.
  if (!o.quiet && !(o.geometry && streams.geometry == STDERR_FILENO)) {
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::fprintf(streams.messages, "%lld frames, %.1f fps, mode %s, window %dx%d\n", static_cast<long long>(frames),
                 seconds > 0 ? frames / seconds : 0.0, AspectModeName(o.aspectMode), o.clientWidth, o.clientHeight);
  }
  return status;
}

}  // namespace xvf
