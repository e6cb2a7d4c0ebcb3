// The automatic mode's detector on made-up frames.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "framepass/auto_mode_detector.h"

namespace xvf {
namespace {

// Dark noise in `bandRows` at top and bottom around black is no letterbox;
// around a picture (noise, or a flat grey) it is. 40 frames, a choice holds
// for 25.
TEST(AutoModeDetector, ALetterboxNeedsAPictureBetweenItsBands) {
  const struct { PixelFormat format; int32_t width, height, bandRows; int32_t between; int32_t mode; } cases[] = {
      {PixelFormat::kYuy2, 720, 576, 72, 16, kPanorama},  // eighths: 16:9 between
      {PixelFormat::kYuy2, 360, 288, 28, 16, kPanorama},  // 1.66:1 between
      {PixelFormat::kRgb24, 320, 240, 30, 16, kPanorama},
      {PixelFormat::kYuy2, 360, 288, 36, -1, kFitToWidth},  // -1: mid-grey noise
      {PixelFormat::kRgb24, 320, 240, 30, 120, kFitToWidth}};
  for (const auto& c : cases) {
    const int32_t pixelBytes = c.format == PixelFormat::kYuy2 ? 2 : 3, rowBytes = c.width * pixelBytes;
    AutoModeDetector detector(kPanorama);
    detector.SetStream(DeclaredStream{0, 0, 25, 1});
    std::mt19937 random(7);
    std::vector<uint8_t> frame(size_t(rowBytes) * c.height, 128);  // YUY2 chroma neutral
    for (int32_t k = 0; k < 40; ++k) {
      for (int32_t y = 0; y < c.height; ++y)
        for (int32_t x = 0; x < c.width; ++x) {
          const bool band = y < c.bandRows || y >= c.height - c.bandRows;
          const int32_t luma = band ? 16 + int32_t(random() % 45) : c.between < 0 ? 40 + int32_t(random() % 176) : c.between;
          uint8_t* p = &frame[size_t(y) * rowBytes + size_t(x) * pixelBytes];
          p[0] = uint8_t(pixelBytes == 2 ? luma : (luma - 16) * 255 / 219);
          if (pixelBytes == 3) p[1] = p[2] = p[0];
        }
      detector.Feed(FrameView{frame.data(), c.width, c.height, c.format, rowBytes});
    }
    EXPECT_EQ(detector.mode(), c.mode) << c.width << "x" << c.height << ", bands of " << c.bandRows;
  }
}

}  // namespace
}  // namespace xvf
