#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace xvf {

// A 4:3 test card: grey background, white grid, a circle touching the top
// and bottom, colour bars in the middle band. A circle that shows round on a
// 4:3 screen tells whether the proportions came out right.
// Returns 24-bit pixels B, G, R, rows top-down, width x height.
std::vector<uint8_t> MakeTestCardRgb(int32_t width, int32_t height);

// Frame layouts of the plug-in: pixelFormat 0 = YUY2 (top-down), 1 = RGB24
// (bottom-up). From and to top-down B, G, R pixels; YUY2 needs an even width
// (full-range BT.601, pairs share the average chroma).
std::vector<uint8_t> RgbToFrame(const std::vector<uint8_t>& rgb, int32_t width, int32_t height, int32_t pixelFormat);
std::vector<uint8_t> FrameToRgb(const uint8_t* frame, int32_t width, int32_t height, int32_t pixelFormat);

// Bytes of one frame in the layout, or 0 for an unknown format.
size_t FrameBytes(int32_t width, int32_t height, int32_t pixelFormat);

// Top-down B, G, R pixels as a 24-bit bottom-up BMP file; false when writing failed.
bool SaveBmp(const std::string& path, const std::vector<uint8_t>& rgb, int32_t width, int32_t height);

}  // namespace xvf
