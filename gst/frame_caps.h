#pragma once
// The caps the element takes and gives: YUY2 or BGR, rows top-down, sides
// the frame pass can take, progressive or interleaved; the same on both pads
// but for the pixel-aspect-ratio, which is the window's stretch on output.
#include <gst/gst.h>
#include <gst/video/video.h>

#include <cstdint>
#include <optional>

#include "engine/frame_format.h"

#include "gst/window_aspect.h"

namespace xvf {

extern const char kFrameCapsTemplate[];

// The frame pass's pixel format of a caps format (YUY2, or BGR as RGB24
// rows); none for any other.
std::optional<PixelFormat> PixelFormatOf(GstVideoFormat format);

// True when the frame pass can take the stream `info` describes: its format,
// its sides (an even width for YUY2) and size, its interlace mode.
bool IsUsableVideo(const GstVideoInfo& info);

// Caps on the other pad for `caps` on the pad of `direction`: towards the
// source the pixel-aspect-ratio of a known size is the window's, any other
// way it is any. Structures that fixed caps make unusable are left out.
GstCaps* CapsAcross(GstPadDirection direction, GstCaps* caps, const WindowSize& window);

}  // namespace xvf
