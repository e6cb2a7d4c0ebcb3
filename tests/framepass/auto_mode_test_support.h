#pragma once
// Small hand-made frames for the automatic mode: a luma picture (limited
// range, black 16) laid out as YUY2 or BGR, top-down or bottom-up.
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
      const int32_t v = scene(x, y, k) < 16 ? 16 : scene(x, y, k) > 235 ? 235 : scene(x, y, k);
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

}  // namespace xvf::test
