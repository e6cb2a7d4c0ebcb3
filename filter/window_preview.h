#pragma once
#include <cstdint>

#include "engine/frame_format.h"

namespace xvf {

// Saves a frame as the host's video window shows it: converted to RGB the way
// the stand-in host converts for display (full-range BT.601 for YUY2) and
// stretched over a clientWidth x clientHeight area, nearest pixel, as a PNG
// written row by row to `fd` (only the pixels shown are read).
// False, with errno, when it could not be written.
bool SaveWindowPreview(int fd, const uint8_t* frame, int32_t width, int32_t height,
                       PixelFormat format, int32_t clientWidth, int32_t clientHeight);

}  // namespace xvf
