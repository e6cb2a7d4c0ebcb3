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

void FramePainter::Setup(int32_t width, int32_t height, PixelFormat format) {
  width_ = width;
  height_ = height;
  format_ = format;
  if (!IsKnown(format)) return;  // no fill paints
  bytesPerPixel_ = BytesPerPixel(format);
  // RGB24 rows run bottom-up.
  packedStride_ = int64_t{format == PixelFormat::kYuy2 ? 1 : -1} * bytesPerPixel_ * width;
}

uint8_t* FramePainter::PixelAddress(uint8_t* frame, int32_t x, int32_t y) const {
  if (!IsKnown(format_)) return frame;
  // Rows bottom-up: picture row 0 is the last row in memory.
  const int64_t row = packedStride_ < 0 ? int64_t{height_} - 1 - y : y;
  return Offset(frame, int64_t{bytesPerPixel_} * x + (packedStride_ < 0 ? -packedStride_ : packedStride_) * row);
}

uint32_t FramePainter::ColourToPixel(uint32_t colour) const {
  const int32_t r = static_cast<int32_t>(colour & 0xFF);
  const int32_t g = static_cast<int32_t>((colour >> 8) & 0xFF);
  const int32_t b = static_cast<int32_t>((colour >> 16) & 0xFF);
  if (format_ == PixelFormat::kYuy2) {
    // Full-range BT.601 in 15-bit fixed point; the luma weights sum to 32768.
    const uint32_t y = static_cast<uint32_t>((9798 * r + 19235 * g + 3735 * b) >> 15);
    const uint32_t u = ClampByte(FloorShift15(-5529 * r - 10855 * g + 16384 * b) + 128);
    const uint32_t v = ClampByte(FloorShift15(16384 * r - 13720 * g - 2664 * b) + 128);
    return y | (u << 8) | (y << 16) | (v << 24);  // bytes Y U Y V
  }
  if (format_ == PixelFormat::kRgb24) return static_cast<uint32_t>(b | (g << 8) | (r << 16));  // bytes B G R 0
  return colour;
}

bool FramePainter::Clip(int32_t* left, int32_t* top, int32_t* right, int32_t* bottom) const {
  if (width_ <= 0 || height_ <= 0 || !IsKnown(format_)) return false;
  // Odd YUY2 widths have pairs straddling rows: no such layout to paint.
  if (format_ == PixelFormat::kYuy2 && (width_ & 1) != 0) return false;
  if (*left >= width_ || *top >= height_ || *right <= 0 || *bottom <= 0) return false;
  if (*left < 0) *left = 0;
  if (*top < 0) *top = 0;
  if (*right > width_) *right = width_;
  if (*bottom > height_) *bottom = height_;
  return *left < *right && *top < *bottom;  // else empty or inverted
}

void FramePainter::PaintRect(uint8_t* frame, int32_t left, int32_t top, int32_t right, int32_t bottom,
                             uint32_t colour, int32_t opacity) const {
  if (frame == nullptr || !Clip(&left, &top, &right, &bottom)) return;
  Fill(PixelAddress(frame, left, top), packedStride_, left, top, right, bottom, colour, opacity);
}

void FramePainter::PaintRect(const FrameRows& rows, int32_t left, int32_t top, int32_t right, int32_t bottom,
                             uint32_t colour, int32_t opacity) const {
  if (rows.row0 == nullptr || !Clip(&left, &top, &right, &bottom)) return;
  const int64_t offset = int64_t{rows.stride} * top + int64_t{bytesPerPixel_} * left;
  Fill(Offset(rows.row0, offset), rows.stride, left, top, right, bottom, colour, opacity);
}

void FramePainter::Fill(uint8_t* start, int64_t stride, int32_t left, int32_t top, int32_t right, int32_t bottom,
                        uint32_t colour, int32_t opacity) const {
  if (opacity < 0) opacity = 0;
  if (opacity > 100) opacity = 100;
  const int32_t keepFactor = MulDiv(100 - opacity, 256, 100);  // 0 = opaque, 256 = unchanged

  PaintRowFn kernel;
  if (format_ == PixelFormat::kYuy2) {
    const bool odd = (left & 1) != 0;
    if (odd) start -= 2;  // back to the pair that holds the first pixel
    kernel = keepFactor == 0 ? (odd ? kernels_.opaqueYuy2Odd : kernels_.opaqueYuy2)
                             : (odd ? kernels_.blendYuy2Odd : kernels_.blendYuy2);
  } else {
    kernel = keepFactor == 0 ? kernels_.opaqueRgb24 : kernels_.blendRgb24;
  }
  const PaintFill fill = MakePaintFill(ColourToPixel(colour), keepFactor, bytesPerPixel_);

  const int32_t count = right - left;
  const int32_t rows = bottom - top;
  // Each row start from the first one, so no address is formed past the last row.
  for (int32_t row = 0; row < rows; ++row) kernel(Offset(start, stride * row), count, fill);
}

}  // namespace xvf
