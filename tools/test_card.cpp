#include "tools/test_card.h"

#include <algorithm>
#include <cstdio>

namespace xvf {
namespace {

uint8_t Clamp(int32_t v) { return static_cast<uint8_t>(std::min(255, std::max(0, v))); }

void Put16(std::vector<uint8_t>* out, uint32_t v) {
  out->push_back(static_cast<uint8_t>(v));
  out->push_back(static_cast<uint8_t>(v >> 8));
}
void Put32(std::vector<uint8_t>* out, uint32_t v) {
  Put16(out, v & 0xFFFF);
  Put16(out, v >> 16);
}

}  // namespace

size_t FrameBytes(int32_t width, int32_t height, int32_t pixelFormat) {
  if (width <= 0 || height <= 0) return 0;
  const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
  return pixelFormat == 0 ? pixels * 2 : pixelFormat == 1 ? pixels * 3 : 0;
}

std::vector<uint8_t> MakeTestCardRgb(int32_t width, int32_t height) {
  std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
  // Colour bars: white, yellow, cyan, green, magenta, red, blue, black (B, G, R).
  static const uint8_t kBars[8][3] = {{235, 235, 235}, {16, 235, 235}, {235, 235, 16}, {16, 235, 16},
                                      {235, 16, 235},  {16, 16, 235},  {235, 16, 16},  {16, 16, 16}};
  // The card's own 4:3 picture, in card units: the circle's radius is half the
  // height, and a square grid cell is height / 8 tall and width / 8 * 3/4 wide.
  const double cx = (width - 1) / 2.0;
  const double cy = (height - 1) / 2.0;
  const double radius = height / 2.0 - 1.0;
  const double xScale = (4.0 / 3.0) * height / width;  // frame columns to square units
  const double thickness = std::max(1.5, height / 120.0);
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x < width; ++x) {
      uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
      uint8_t b = 96, g = 96, r = 96;
      const bool gridRow = (y * 8) % height < 8 || y == height - 1;
      const bool gridColumn = (x * 12) % width < 12 || x == width - 1;
      if (gridRow || gridColumn) b = g = r = 200;
      if (y >= height * 3 / 8 && y < height * 5 / 8 && x >= width / 8 && x < width * 7 / 8) {
        const int32_t bar = std::min(7, (x - width / 8) * 8 / std::max(1, width * 3 / 4));
        b = kBars[bar][0];
        g = kBars[bar][1];
        r = kBars[bar][2];
      }
      const double dx = (x - cx) * xScale;
      const double dy = y - cy;
      const double distance = dx * dx + dy * dy;
      if (distance >= (radius - thickness) * (radius - thickness) && distance <= radius * radius) b = g = r = 255;
      p[0] = b;
      p[1] = g;
      p[2] = r;
    }
  return rgb;
}

std::vector<uint8_t> RgbToFrame(const std::vector<uint8_t>& rgb, int32_t width, int32_t height, int32_t pixelFormat) {
  std::vector<uint8_t> frame(FrameBytes(width, height, pixelFormat));
  if (pixelFormat == 1) {
    const size_t row = static_cast<size_t>(width) * 3;
    for (int32_t y = 0; y < height; ++y)
      std::copy_n(&rgb[y * row], row, &frame[(height - 1 - y) * row]);
    return frame;
  }
  if (pixelFormat != 0) return frame;
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x + 1 < width; x += 2) {
      const uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x) * 3];
      int32_t ys[2], u = 0, v = 0;
      for (int i = 0; i < 2; ++i) {
        const int32_t b = p[3 * i], g = p[3 * i + 1], r = p[3 * i + 2];
        ys[i] = (9798 * r + 19235 * g + 3735 * b) >> 15;
        u += ((-5529 * r - 10855 * g + 16384 * b) >> 15) + 128;
        v += ((16384 * r - 13720 * g - 2664 * b) >> 15) + 128;
      }
      uint8_t* q = &frame[(static_cast<size_t>(y) * width + x) * 2];
      q[0] = Clamp(ys[0]);
      q[1] = Clamp(u / 2);
      q[2] = Clamp(ys[1]);
      q[3] = Clamp(v / 2);
    }
  return frame;
}

std::vector<uint8_t> FrameToRgb(const uint8_t* frame, int32_t width, int32_t height, int32_t pixelFormat) {
  std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
  if (pixelFormat == 1) {
    const size_t row = static_cast<size_t>(width) * 3;
    for (int32_t y = 0; y < height; ++y) std::copy_n(&frame[(height - 1 - y) * row], row, &rgb[y * row]);
    return rgb;
  }
  if (pixelFormat != 0) return rgb;
  for (int32_t y = 0; y < height; ++y)
    for (int32_t x = 0; x + 1 < width; x += 2) {
      const uint8_t* q = &frame[(static_cast<size_t>(y) * width + x) * 2];
      const int32_t u = q[1] - 128, v = q[3] - 128;
      for (int i = 0; i < 2; ++i) {
        const int32_t luma = q[2 * i];
        uint8_t* p = &rgb[(static_cast<size_t>(y) * width + x + i) * 3];
        p[0] = Clamp(luma + ((116130 * u) >> 16));              // B = Y + 1.772 U
        p[1] = Clamp(luma - ((22554 * u + 46802 * v) >> 16));   // G = Y - 0.344 U - 0.714 V
        p[2] = Clamp(luma + ((91881 * v) >> 16));               // R = Y + 1.402 V
      }
    }
  return rgb;
}

bool SaveBmp(const std::string& path, const std::vector<uint8_t>& rgb, int32_t width, int32_t height) {
  const uint32_t row = (static_cast<uint32_t>(width) * 3 + 3) & ~3u;  // rows padded to 4 bytes
  const uint32_t imageBytes = row * static_cast<uint32_t>(height);
  std::vector<uint8_t> file;
  file.reserve(54 + imageBytes);
  file.push_back('B');
  file.push_back('M');
  Put32(&file, 54 + imageBytes);
  Put32(&file, 0);
  Put32(&file, 54);
  Put32(&file, 40);  // BITMAPINFOHEADER
  Put32(&file, static_cast<uint32_t>(width));
  Put32(&file, static_cast<uint32_t>(height));  // positive: bottom-up
  Put16(&file, 1);
  Put16(&file, 24);
  Put32(&file, 0);
  Put32(&file, imageBytes);
  Put32(&file, 2835);
  Put32(&file, 2835);
  Put32(&file, 0);
  Put32(&file, 0);
  for (int32_t y = height - 1; y >= 0; --y) {
    const uint8_t* p = &rgb[static_cast<size_t>(y) * width * 3];
    file.insert(file.end(), p, p + static_cast<size_t>(width) * 3);
    file.resize(file.size() + (row - static_cast<uint32_t>(width) * 3), 0);
  }
  FILE* out = std::fopen(path.c_str(), "wb");
  if (!out) return false;
  const bool written = std::fwrite(file.data(), 1, file.size(), out) == file.size();
  return std::fclose(out) == 0 && written;
}

}  // namespace xvf
