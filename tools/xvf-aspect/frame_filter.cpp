#include "tools/xvf-aspect/frame_filter.h"

#include <errno.h>

#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "plugin/aspect_geometry.h"
#include "plugin/plugin_state.h"
#include "tools/test_card.h"
#include "tools/xvf-aspect/progress_line.h"
#include "tools/xvf-aspect/raw_io.h"
#include "tools/xvf-aspect/window_preview.h"

namespace xvf {
namespace {

constexpr int32_t kLengthLimit = 65536;

// The rectangles the pass computes for this window: the pass gets that far
// for every frame of a usable stream with a visible window, except in mode 0
// and when the geometry has no result (an intermediate beyond 32 bits).
bool PassGeometry(const FilterOptions& o, AspectGeometry* geometry) {
  if (o.aspectMode == kFitToWindow) return false;
  return ComputeAspectGeometry(o.aspectMode, o.width, o.height, o.clientWidth, o.clientHeight, geometry);
}

}  // namespace

std::string UnusableStreamReason(const FilterOptions& o) {
  PluginState probe;
  probe.width = o.width;
  probe.height = o.height;
  probe.pixelFormat = o.pixelFormat;
  if (probe.StreamIsUsable()) return std::string();
  const char* format = o.pixelFormat == 0 ? "yuy2" : "rgb24";
  char text[200];
  if (o.width >= kLengthLimit || o.height >= kLengthLimit)
    std::snprintf(text, sizeof text, "%dx%d %s: width and height must be below %d", o.width, o.height, format,
                  kLengthLimit);
  else if (o.pixelFormat == 0 && (o.width & 1))
    std::snprintf(text, sizeof text, "%dx%d %s: YUY2 frames need an even width", o.width, o.height, format);
  else
    std::snprintf(text, sizeof text, "%dx%d %s: a frame must be at most 2 GiB", o.width, o.height, format);
  return text;
}

int RunFrameFilter(const FilterOptions& o, int inputFd, int outputFd, bool showProgress) {
  const size_t frameBytes = FrameBytes(o.width, o.height, o.pixelFormat);
  std::vector<uint8_t> frame;
  try {
    frame.resize(frameBytes);
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "xvf-aspect: no memory for a frame of %zu bytes\n", frameBytes);
    return 1;
  }

  PluginState state;
  state.Start(StreamFormat{o.width, o.height, 0, o.pixelFormat, 0}, nullptr);
  FrameInputs inputs;
  inputs.aspectMode = o.aspectMode;
  inputs.interlace = o.interlace;
  inputs.windowFound = true;
  inputs.clientWidth = o.clientWidth;
  inputs.clientHeight = o.clientHeight;
  AspectGeometry geometry;
  const bool haveGeometry = PassGeometry(o, &geometry);

  ProgressLine progress(showProgress, stderr);
  int64_t frames = 0;  // complete frames written
  int status = 0;
  for (;;) {
    const ReadOutcome read = ReadFull(inputFd, frame.data(), frameBytes);
    if (read.error != 0) {
      progress.Finish();
      std::fprintf(stderr, "xvf-aspect: reading frame %lld: %s; %lld complete frames written\n",
                   static_cast<long long>(frames), std::strerror(read.error), static_cast<long long>(frames));
      status = 1;
      break;
    }
    if (read.bytes == 0) break;
    if (read.bytes < frameBytes) {
      progress.Finish();
      std::fprintf(stderr,
                   "xvf-aspect: input ended inside frame %lld: %zu bytes left over (a frame is %zu bytes); "
                   "%lld complete frames written\n",
                   static_cast<long long>(frames), read.bytes, frameBytes, static_cast<long long>(frames));
      status = 1;
      break;
    }

    const int32_t result = state.ProcessFrame(frame.data(), inputs);
    if (o.geometry) {
      // One write per line, so lines stay whole when standard error is shared.
      char line[160];
      if (haveGeometry) {
        const Rect& s = geometry.srcRect;
        const Rect& d = geometry.dstRect;
        std::snprintf(line, sizeof line, "{\"frame\":%lld,\"result\":%d,\"src\":[%d,%d,%d,%d],\"dst\":[%d,%d,%d,%d]}\n",
                      static_cast<long long>(frames), result, s.left, s.top, s.right, s.bottom, d.left, d.top,
                      d.right, d.bottom);
      } else {
        std::snprintf(line, sizeof line, "{\"frame\":%lld,\"result\":%d,\"src\":null,\"dst\":null}\n",
                      static_cast<long long>(frames), result);
      }
      std::fputs(line, stderr);
    }
    errno = 0;
    if (frames == 0 && !o.previewPath.empty() &&
        !SaveWindowPreview(o.previewPath, frame.data(), o.width, o.height, o.pixelFormat, o.clientWidth,
                           o.clientHeight)) {
      const int error = errno;
      progress.Finish();
      std::fprintf(stderr, "xvf-aspect: cannot write the preview %s: %s\n", o.previewPath.c_str(),
                   error != 0 ? std::strerror(error) : "write failed");
      status = 1;
      break;
    }
    const int error = WriteFull(outputFd, frame.data(), frameBytes);
    if (error == EPIPE) {  // the reader went away: nothing more to say to it
      status = 1;
      break;
    }
    if (error != 0) {
      progress.Finish();
      std::fprintf(stderr, "xvf-aspect: writing frame %lld: %s\n", static_cast<long long>(frames),
                   std::strerror(error));
      status = 1;
      break;
    }
    progress.Update(++frames);
  }
  progress.Finish();
  if (status == 0 && frames == 0 && !o.previewPath.empty()) {
    std::fprintf(stderr, "xvf-aspect: no complete frame in the input; no preview written\n");
    status = 1;
  }
  return status;
}

}  // namespace xvf
