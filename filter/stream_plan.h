#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "filter/filter_options.h"
#include "filter/raw_io.h"
#include "filter/y4m_header.h"

namespace xvf {

// Why the frame pass cannot take a width x height stream in `format`
// (named `formatName` in the message); empty when it can.
std::string UnusableStreamReason(int32_t width, int32_t height, PixelFormat format, const char* formatName);

// What the stream is, once its first bytes are known.
struct StreamPlan {
  int32_t width = 0, height = 0;
  PixelFormat format = PixelFormat::kYuy2;
  bool topDown = false;   // rows turned on the way in and out (bgr24)
  int32_t interlace = 0;
  bool y4m = false;
  Y4mHeader header;
  size_t inputBytes = 0;  // one frame as read and written: planes or raw
  size_t frameBytes = 0;  // one frame as the pass sees it
  std::string warning;    // to show before the first frame; empty when none
};

// Fills `plan` from the options and the input's first bytes (the stream
// header is taken, raw bytes are only peeked at); "" or the reason the
// stream cannot be taken. A container file (MP4, Matroska, ...) is refused
// with the command that decodes it; `inputName` names the input there. With
// --size the user said the input is raw frames, which may look like a
// container by chance (a flat grey frame like MPEG-TS): then `plan->warning`
// says so and the frames are read.
std::string PlanStream(const FilterOptions& o, const std::string& inputName, InputReader* in, StreamPlan* plan);

}  // namespace xvf
