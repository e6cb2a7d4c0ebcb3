#pragma once
// Small hand-made scenes for the automatic mode: a luma picture (limited
// range, black 16) laid out as YUY2 or BGR, top-down or bottom-up; a 4:3
// frame of 360 x 288 with a card, a 16:9 letterbox and what its bands carry.
#include <cstdint>
#include <functional>
#include <vector>

#include "engine/frame_format.h"

namespace xvf::test {

// Luma of picture row y (0 at the top), column x, in frame k.
using Scene = std::function<int32_t(int32_t x, int32_t y, int32_t k)>;

// One frame of a scene in memory; `rows` points into `bytes`.
struct SceneFrame {
  std::vector<uint8_t> bytes;
  FrameRows rows;
};

inline SceneFrame MakeSceneFrame(const Scene& scene, int32_t k, int32_t width, int32_t height, PixelFormat format,
                                 bool bottomUp) {
  const int32_t rowBytes = BytesPerPixel(format) * width;
  SceneFrame f;
  f.bytes.resize(static_cast<size_t>(rowBytes) * height);
  uint8_t* row0 = f.bytes.data() + (bottomUp ? static_cast<size_t>(height - 1) * rowBytes : 0);
  f.rows = FrameRows{row0, bottomUp ? -rowBytes : rowBytes, width, height, format};
  for (int32_t y = 0; y < height; ++y) {
    uint8_t* p = row0 + static_cast<ptrdiff_t>(y) * f.rows.stride;
    for (int32_t x = 0; x < width; ++x) {
      const int32_t luma = scene(x, y, k), v = luma < 16 ? 16 : luma > 235 ? 235 : luma;
      if (format == PixelFormat::kYuy2) {
        *p++ = static_cast<uint8_t>(v);
        *p++ = 128;
      } else {  // grey: luma 16 + 220/256 of it
        const uint8_t g = static_cast<uint8_t>(((v - 16) * 256 + 219) / 220);
        *p++ = g, *p++ = g, *p++ = g;
      }
    }
  }
  return f;
}

// The frame the scenes below are drawn for; a 16:9 picture in it leaves
// bands of 36 rows.
constexpr int32_t kSceneWidth = 360, kSceneHeight = 288, kSceneBand = 36;

// Uniform noise 0..span-1 at column x, row y of frame k: a hash, the same on every run.
inline int32_t Noise(int32_t x, int32_t y, int32_t k, int32_t span) {
  uint32_t h = uint32_t(x) * 0x9E3779B1u ^ uint32_t(y) * 0x85EBCA77u ^ uint32_t(k) * 0xC2B2AE3Du;
  h ^= h >> 15, h *= 0x2C1B3C6Du, h ^= h >> 12, h *= 0x297A2D39u, h ^= h >> 15;
  return static_cast<int32_t>(h % static_cast<uint32_t>(span));
}

inline int32_t Card(int32_t x, int32_t y, int32_t k) {
  return 40 + x * 150 / kSceneWidth + ((x / 12 + y / 12 + k) % 2) * 30;
}
// A line of white text strokes 7..25 rows below `from`.
inline bool Text(int32_t x, int32_t y, int32_t from) {
  return y > from + 6 && y < from + 26 && x > kSceneWidth / 5 && x < kSceneWidth * 4 / 5 && x / 2 % 3;
}
// Bright points on black all over the frame.
inline int32_t Stars(int32_t x, int32_t y, int32_t) { return (7 * (x / 3) + 11 * y) % 23 == 0 ? 200 : 16; }

// Cells on black that move from frame to frame, one pixel in 40, in the
// picture of a 16:9 letterbox: most rows pass as band in most frames.
inline int32_t SparseLetterbox(int32_t x, int32_t y, int32_t k) {
  return y >= kSceneBand && y < kSceneHeight - kSceneBand && Noise(x, y, k, 40) == 0 ? 235 : 16;
}

// What the bands carry, by picture row (0 at the top).
inline int32_t BlackBand(int32_t, int32_t, int32_t) { return 16; }
inline int32_t NoisyBand(int32_t x, int32_t y, int32_t k) { return 16 + (x * 7 + y * 13 + k * 5) % 13; }
inline int32_t LogoAbove(int32_t x, int32_t y, int32_t) {
  return y > 6 && y < kSceneBand && x > kSceneWidth * 8 / 10 && x < kSceneWidth * 9 / 10 ? 200 : 16;
}
inline int32_t TextBelow(int32_t x, int32_t y, int32_t) { return Text(x, y, kSceneHeight - kSceneBand) ? 235 : 16; }
// Bold text 5 rows under the picture (11 at 576 rows): less than the band
// scan's step.
inline int32_t TextCloseBelow(int32_t x, int32_t y, int32_t) {
  const int32_t top = kSceneHeight - kSceneBand + 5;
  return y >= top && y < top + 19 && x > kSceneWidth / 5 && x < kSceneWidth * 4 / 5 && x / 4 % 2 ? 235 : 16;
}
// Black lifted 8 with noise of +-11, as compression leaves it: in one frame
// of three the bands repeat the frame before's, in the next the 8-row blocks
// at the frame's edges are flattened.
inline int32_t CompressedLiftedNoise(int32_t x, int32_t y, int32_t k) {
  const bool edgeBlock = y < 8 || y >= kSceneHeight - 8;
  if (k % 3 == 2 && edgeBlock) return 24 + x / 8 % 2;
  return 13 + Noise(x, y, k % 3 == 1 ? k - 1 : k, 23);
}
inline int32_t TextAbove(int32_t x, int32_t y, int32_t) { return Text(x, y, 2) ? 235 : 16; }

// The card as a 16:9 letterbox, its bands drawn by `band`.
inline Scene Letterbox(int32_t (*band)(int32_t x, int32_t y, int32_t k)) {
  return [band](int32_t x, int32_t y, int32_t k) {
    return y >= kSceneBand && y < kSceneHeight - kSceneBand ? Card(x, y, k) : band(x, y, k);
  };
}
// The letterbox faded to black for k 10..30, back by k 40.
inline int32_t FadedLetterbox(int32_t x, int32_t y, int32_t k) {
  const int32_t v = Letterbox(BlackBand)(x, y, k) - 16;
  const int32_t away = (k > 20 ? k - 20 : 20 - k) - 10;
  return 16 + v * (away > 0 ? away : 0) / 10;
}

}  // namespace xvf::test
