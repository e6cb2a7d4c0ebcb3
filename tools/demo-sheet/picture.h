#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace xvf {

// A picture in the test card's layout: B, G, R bytes, rows top-down, no padding.
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

// Reads an uncompressed 24-bit BMP (bottom-up or top-down rows, padded to 4
// bytes). Returns an empty picture and sets *error when the file is not one.
Picture ReadBmp(const std::string& path, std::string* error);

// Writes an 8-bit RGB PNG, deflate-compressed; false when writing failed.
bool WritePng(const std::string& path, const Picture& picture);

// Shrinks by a whole factor, each output pixel the mean of factor x factor
// input pixels; a partial last block of columns or rows is dropped.
Picture ShrinkBy(const Picture& picture, int32_t factor);

// Stretches over width x height taking the nearest pixel, as the host's
// COLORONCOLOR stretch does: output column x reads column (2x + 1) * w / 2width.
Picture StretchNearest(const Picture& picture, int32_t width, int32_t height);

}  // namespace xvf
