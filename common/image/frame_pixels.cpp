#include "common/image/frame_pixels.h"

#include <algorithm>

#include "engine/frame_format.h"
#include "engine/frame_painter.h"

namespace xvf {
namespace {

uint8_t Clamp(int32_t v) { return static_cast<uint8_t>(std::min(255, std::max(0, v))); }

}  // namespace

std::vector<uint8_t> RgbToFrame(const std::vector<uint8_t>& bgr, int32_t width, int32_t height, PixelFormat format) {
  // No frame for an unknown format or no pixels.
  if (width <= 0 || height <= 0 || !IsKnown(format)) return {};
  std::vector<uint8_t> frame(static_cast<size_t>(FrameBytes(format, width, height)));
  if (format == PixelFormat::kRgb24) {
    const size_t row = static_cast<size_t>(width) * 3;
    for (int32_t y = 0; y < height; ++y) std::copy_n(&bgr[y * row], row, &frame[(height - 1 - y) * row]);
    return frame;
  }
  FramePainter painter;
  painter.Setup(width, height, format);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x + 1 < width; x += 2) {
      const uint8_t* p = &bgr[(static_cast<size_t>(y) * width + x) * 3];
      uint32_t yuyv[2];  // bytes Y U Y V of each pixel's colour
      for (int i = 0; i < 2; ++i) yuyv[i] = painter.ColourToPixel(p[3 * i + 2] | (p[3 * i + 1] << 8) | (p[3 * i] << 16));
      uint8_t* q = &frame[(static_cast<size_t>(y) * width + x) * 2];
      q[0] = static_cast<uint8_t>(yuyv[0]);
      q[1] = static_cast<uint8_t>((((yuyv[0] >> 8) & 0xFF) + ((yuyv[1] >> 8) & 0xFF)) / 2);
      q[2] = static_cast<uint8_t>(yuyv[1]);
      q[3] = static_cast<uint8_t>(((yuyv[0] >> 24) + (yuyv[1] >> 24)) / 2);
    }
  return frame;
}

void FramePixelToBgr(const uint8_t* frame, int32_t width, int32_t height, PixelFormat format, int32_t x, int32_t y,
                     uint8_t bgr[3]) {
  if (format == PixelFormat::kRgb24) {
    const uint8_t* p = frame + (static_cast<size_t>(height - 1 - y) * width + x) * 3;
    bgr[0] = p[0];
    bgr[1] = p[1];
    bgr[2] = p[2];
    return;
  }
  const uint8_t* q = frame + (static_cast<size_t>(y) * width + (x & ~1)) * 2;
  const int32_t luma = q[2 * (x & 1)], u = q[1] - 128, v = q[3] - 128;
  bgr[0] = Clamp(luma + ((116130 * u) >> 16));             // B = Y + 1.772 U
  bgr[1] = Clamp(luma - ((22554 * u + 46802 * v) >> 16));  // G = Y - 0.344 U - 0.714 V
  bgr[2] = Clamp(luma + ((91881 * v) >> 16));              // R = Y + 1.402 V
}

std::vector<uint8_t> FrameToRgb(const uint8_t* frame, int32_t width, int32_t height, PixelFormat format) {
  std::vector<uint8_t> bgr(static_cast<size_t>(width) * height * 3);
  if (!IsKnown(format)) return bgr;
  // A YUY2 row of odd width leaves its last pixel black, as before.
  const int32_t converted = format == PixelFormat::kYuy2 ? width & ~1 : width;
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < converted; ++x)
      FramePixelToBgr(frame, width, height, format, x, y, &bgr[(static_cast<size_t>(y) * width + x) * 3]);
  return bgr;
}

}  // namespace xvf
