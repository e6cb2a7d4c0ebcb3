// The automatic mode's detector on made-up frames: what lies between and in
// the bands decides whether a frame is a letterbox.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "framepass/auto_mode_detector.h"

namespace xvf {
namespace {

// 40 frames at 25 a second (a choice holds for 25): luma in the bands (`bandRows` at top
// and bottom) and between them, chroma neutral; a 4:3 frame as undeclared.
TEST(AutoModeDetector, ALetterboxNeedsAPictureBetweenItsBands) {
  enum Fill { kBlack, kDarkNoise, kStripes, kMidNoise };
  const struct {
    const char* name;
    PixelFormat format;
    int32_t width, height, bandRows;
    Fill band, between;
    int32_t mode;  // after 40 frames; the fallback is panorama (3)
  } cases[] = {
      {"noise in the eighths, black between", PixelFormat::kYuy2, 720, 576, 72, kDarkNoise, kBlack, kPanorama},
      {"noise in 1.66:1 bands, black between", PixelFormat::kYuy2, 360, 288, 28, kDarkNoise, kBlack, kPanorama},
      {"stripes in the bands, black between", PixelFormat::kYuy2, 360, 288, 36, kStripes, kBlack, kPanorama},
      {"rgb noise in the bands, black between", PixelFormat::kRgb24, 320, 240, 30, kDarkNoise, kBlack, kPanorama},
      {"noise in the bands around a picture", PixelFormat::kYuy2, 360, 288, 36, kDarkNoise, kMidNoise, kFitToWidth},
      {"black bands around a picture", PixelFormat::kRgb24, 320, 240, 30, kBlack, kMidNoise, kFitToWidth},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const bool yuy2 = c.format == PixelFormat::kYuy2;
    const int32_t pixelBytes = yuy2 ? 2 : 3, rowBytes = c.width * pixelBytes;
    AutoModeDetector detector(kPanorama);
    detector.SetStream(DeclaredStream{0, 0, 25, 1});
    std::mt19937 random(7);
    std::vector<uint8_t> frame(size_t(rowBytes) * c.height);
    for (int32_t k = 0; k < 40; ++k) {
      for (int32_t y = 0; y < c.height; ++y)
        for (int32_t x = 0; x < c.width; ++x) {
          const bool band = y < c.bandRows || y >= c.height - c.bandRows;
          int32_t luma = 16;  // limited range; RGB levels below are full range
          switch (band ? c.band : c.between) {
            case kBlack: break;
            case kDarkNoise: luma = 16 + int32_t(random() % 45); break;
            case kStripes: luma = (x / 8 + y / 4 + k) % 2 ? 60 : 16; break;
            case kMidNoise: luma = 40 + int32_t(random() % 176); break;
          }
          uint8_t* p = &frame[size_t(y) * rowBytes + size_t(x) * pixelBytes];
          if (yuy2) {
            p[0] = uint8_t(luma), p[1] = 128;
          } else {
            p[0] = p[1] = p[2] = uint8_t((luma - 16) * 255 / 219);
          }
        }
      detector.Feed(FrameView{frame.data(), c.width, c.height, c.format, rowBytes});
    }
    EXPECT_EQ(detector.mode(), c.mode);
  }
}

}  // namespace
}  // namespace xvf
