#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/frame_format.h"

namespace xvf {

// Frames in the plug-in's packed layouts: YUY2 (Y0 U Y1 V, top-down) and
// RGB24 (B, G, R, bottom-up).

// Top-down B, G, R pixels to a frame: RGB24 turns the rows; YUY2 converts as
// the painter does (full-range BT.601) and each pair shares the mean chroma.
// YUY2 needs an even width.
std::vector<uint8_t> RgbToFrame(const std::vector<uint8_t>& bgr, int32_t width, int32_t height, PixelFormat format);

// Pixel (x, y) of the picture (y counted from the top) as B, G, R, the way
// the stand-in host converts for display (full-range BT.601 for YUY2).
void FramePixelToBgr(const uint8_t* frame, int32_t width, int32_t height, PixelFormat format, int32_t x, int32_t y,
                     uint8_t bgr[3]);

// The whole frame as top-down B, G, R pixels (FramePixelToBgr).
std::vector<uint8_t> FrameToRgb(const uint8_t* frame, int32_t width, int32_t height, PixelFormat format);

}  // namespace xvf
