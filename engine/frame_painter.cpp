#include "engine/frame_painter.h"

#include <cstddef>

#include "engine/paint_row_kernels.h"
#include "platform/mul_div.h"

namespace xvf {
namespace {

// base + offset, offsets in 64 bits so that no product of sizes overflows.
inline uint8_t* Offset(uint8_t* base, int64_t offset) {
  return offset >= 0 ? base + static_cast<size_t>(offset) : base - static_cast<size_t>(-offset);
}

// Arithmetic right shift by 15: floor division by 32768.
inline int32_t FloorShift15(int32_t value) { return value >> 15; }

inline uint32_t ClampByte(int32_t value) {
  return static_cast<uint32_t>(value < 0 ? 0 : value > 255 ? 255 : value);
}

}  // namespace

void FramePainter::Setup(int32_t width, int32_t height, int32_t pixelFormatCode) {
  this->width = width;
  this->height = height;
  pixelFormat = PixelFormatOf(pixelFormatCode);
  frameRect = Rect{0, 0, width, height};
  if (!IsKnown(pixelFormat)) return;  // the steps keep their values
  bytesPerPixel = BytesPerPixel(pixelFormat);
  // RGB24 rows run bottom-up.
  rowStride = int64_t{pixelFormat == PixelFormat::kYuy2 ? 1 : -1} * bytesPerPixel * width;
}

void FramePainter::PaintRect(int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t colour,
                             int32_t opacity) {
  PaintRectOn(frame, left, top, right, bottom, colour, opacity);
}

uint8_t* FramePainter::PixelAddress(uint8_t* buffer, int32_t x, int32_t y) const {
  if (!IsKnown(pixelFormat)) return buffer;
  // Rows bottom-up: picture row 0 is the last row in memory.
  const int64_t row = rowStride < 0 ? int64_t{height} - 1 - y : y;
  return Offset(buffer, int64_t{bytesPerPixel} * x + (rowStride < 0 ? -rowStride : rowStride) * row);
}

uint32_t FramePainter::ColourToPixel(uint32_t colour) const {
  const int32_t r = static_cast<int32_t>(colour & 0xFF);
  const int32_t g = static_cast<int32_t>((colour >> 8) & 0xFF);
  const int32_t b = static_cast<int32_t>((colour >> 16) & 0xFF);
  if (pixelFormat == PixelFormat::kYuy2) {
    // Full-range BT.601 in 15-bit fixed point; the luma weights sum to 32768.
    const uint32_t y = static_cast<uint32_t>((9798 * r + 19235 * g + 3735 * b) >> 15);
    const uint32_t u = ClampByte(FloorShift15(-5529 * r - 10855 * g + 16384 * b) + 128);
    const uint32_t v = ClampByte(FloorShift15(16384 * r - 13720 * g - 2664 * b) + 128);
    return y | (u << 8) | (y << 16) | (v << 24);  // bytes Y U Y V
  }
  if (pixelFormat == PixelFormat::kRgb24) return static_cast<uint32_t>(b | (g << 8) | (r << 16));  // bytes B G R 0
  return colour;
}

void FramePainter::PaintRectOn(uint8_t* buffer, int32_t left, int32_t top, int32_t right, int32_t bottom,
                               uint32_t colour, int32_t opacity) {
  if (buffer == nullptr || width <= 0 || height <= 0) return;
  if (!IsKnown(pixelFormat)) return;
  // Odd YUY2 widths have pairs straddling rows: no such layout to paint.
  if (pixelFormat == PixelFormat::kYuy2 && (width & 1) != 0) return;
  if (left >= width || top >= height || right <= 0 || bottom <= 0) return;
  if (left < 0) left = 0;
  if (top < 0) top = 0;
  if (right > width) right = width;
  if (bottom > height) bottom = height;
  if (left >= right || top >= bottom) return;  // empty or inverted

  if (opacity < 0) opacity = 0;
  if (opacity > 100) opacity = 100;
  const int32_t keepFactor = MulDiv(100 - opacity, 256, 100);  // 0 = opaque, 256 = unchanged

  PaintRowFn kernel;
  uint8_t* start = PixelAddress(buffer, left, top);
  if (pixelFormat == PixelFormat::kYuy2) {
    const bool odd = (left & 1) != 0;
    if (odd) start -= 2;  // back to the pair that holds the first pixel
    kernel = keepFactor == 0 ? (odd ? kernels_.opaqueYuy2Odd : kernels_.opaqueYuy2)
                             : (odd ? kernels_.blendYuy2Odd : kernels_.blendYuy2);
  } else {
    kernel = keepFactor == 0 ? kernels_.opaqueRgb24 : kernels_.blendRgb24;
  }
  const PaintFill fill = MakePaintFill(ColourToPixel(colour), keepFactor, BytesPerPixel(pixelFormat));

  const int32_t count = right - left;
  const int32_t rows = bottom - top;
  // Each row start from the first one, so no address is formed past the last row.
  for (int32_t row = 0; row < rows; ++row) kernel(Offset(start, rowStride * row), count, fill);
}

}  // namespace xvf
