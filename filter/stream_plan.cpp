#include "filter/stream_plan.h"

#include <cstdio>

#include "engine/frame_format.h"
#include "filter/container_signature.h"

namespace xvf {

std::string UnusableStreamReason(int32_t width, int32_t height, PixelFormat format, const char* formatName) {
  const char* why = WhyStreamIsUnusable(format, width, height);
  if (!why) return std::string();
  char text[200];
  std::snprintf(text, sizeof text, "%dx%d %s: %s", width, height, formatName, why);
  return text;
}

std::string PlanStream(const FilterOptions& o, const std::string& inputName, InputReader* in, StreamPlan* plan) {
  plan->format = o.format;
  plan->topDown = o.topDown;
  plan->interlace = o.interlace;
  plan->width = o.width;
  plan->height = o.height;
  const size_t signature = sizeof kY4mSignature - 1;
  plan->y4m = in->Peek(signature) == kY4mSignature;
  if (!plan->y4m) {
    const std::string container = ContainerName(in->Peek(kContainerPeekBytes));
    if (!container.empty() && o.width != 0) {
      plan->warning = inputName + " looks like " + container + "; read as raw frames as asked (--size)";
    } else if (!container.empty()) {
      const bool standard = inputName == "standard input";
      return inputName + " is " + container + "; decode it first: ffmpeg -i " + (standard ? "-" : inputName) +
             " -f yuv4mpegpipe - | xvf-aspect ...";
    }
  }
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
    if (o.format != PixelFormat::kYuy2) return "--format applies to raw input only; this is YUV4MPEG2";
    if (o.sarNum != 0 || o.sarDen != 0)
      return "--sar applies to raw input only; YUV4MPEG2 declares its pixel aspect in its header (A)";
    plan->width = h.width;
    plan->height = h.height;
    if (!o.interlaceGiven && (h.interlacing == 't' || h.interlacing == 'b')) plan->interlace = 1;
  } else if (o.width == 0) {
    return "raw input needs --size WxH (or send YUV4MPEG2, which carries its size)";
  }
  const std::string reason = UnusableStreamReason(plan->width, plan->height, plan->format,
                                                  plan->y4m ? "YUV4MPEG2" : RawFormatName(o.format, o.topDown));
  if (!reason.empty()) return "the frame pass cannot take " + reason;
  plan->frameBytes = static_cast<size_t>(FrameBytes(plan->format, plan->width, plan->height));
  plan->inputBytes = plan->frameBytes;
  if (plan->y4m) {
    if (plan->interlace && plan->header.chroma == Y4mChroma::k420 && plan->height % 4 != 0)
      return "4:2:0 by fields needs a height that is a multiple of 4, not " + std::to_string(plan->height) +
             " (try --no-fields)";
    plan->inputBytes = Y4mFrameBytes(plan->header);
  }
  return std::string();
}

}  // namespace xvf
