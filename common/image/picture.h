#pragma once
#include <cstddef>
#include <cstdint>
#include <vector>

namespace xvf {

// A picture for the tools: B, G, R bytes, rows top-down, no padding.
struct Picture {
  int32_t width = 0;
  int32_t height = 0;
  std::vector<uint8_t> bgr;

  Picture() = default;
  Picture(int32_t w, int32_t h, uint8_t grey = 0)
      : width(w), height(h), bgr(static_cast<size_t>(w) * static_cast<size_t>(h) * 3, grey) {}
  bool empty() const { return width <= 0 || height <= 0; }
  uint8_t* at(int32_t x, int32_t y) { return &bgr[(static_cast<size_t>(y) * width + x) * 3]; }
  const uint8_t* at(int32_t x, int32_t y) const { return &bgr[(static_cast<size_t>(y) * width + x) * 3]; }
};

// Source index for each of `to` destination positions over `from` samples,
// as the host's COLORONCOLOR stretch takes them: the sample under the
// destination pixel's centre, (2i + 1) * from / (2 * to).
std::vector<int32_t> NearestMap(int32_t from, int32_t to);

// Stretches over width x height taking the nearest pixel (NearestMap).
Picture StretchNearest(const Picture& picture, int32_t width, int32_t height);

// Shrinks by a whole factor, each output pixel the mean of factor x factor
// input pixels; a partial last block of columns or rows is dropped.
Picture ShrinkBy(const Picture& picture, int32_t factor);

}  // namespace xvf
