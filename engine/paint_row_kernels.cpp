// Scalar row kernels of the frame painter, the reference for the others; the
// opaque kernels store the prepared pattern 48 bytes at a time.
#include "engine/paint_row_kernels.h"

#include <cstring>

namespace xvf {
namespace {

constexpr size_t kPatternBytes = sizeof(PaintFill::pattern);

// Writes `bytes` bytes of the repeated pattern from `dst`; the pattern starts
// on a pixel (pair) boundary, so every chunk does too.
inline void StorePattern(uint8_t* dst, size_t bytes, const uint8_t* pattern) {
  for (; bytes >= kPatternBytes; bytes -= kPatternBytes, dst += kPatternBytes) {
    std::memcpy(dst, pattern, kPatternBytes);
  }
  std::memcpy(dst, pattern, bytes);
}

// c + floor((d - c) * keep / 256), keep 0..256; lies between c and d.
// Arithmetic right shift of a negative value is floor division.
inline uint8_t Blend(uint8_t c, uint8_t d, int32_t keep) {
  return static_cast<uint8_t>(c + (((static_cast<int32_t>(d) - c) * keep) >> 8));
}

}  // namespace

PaintFill MakePaintFill(uint32_t pixel, int32_t keepFactor, int32_t bytesPerPixel) {
  PaintFill fill;
  for (int i = 0; i < 4; ++i) fill.pixel[i] = static_cast<uint8_t>(pixel >> (8 * i));
  fill.keepFactor = keepFactor;
  // YUY2 repeats the whole 4-byte pair, RGB24 the first 3 bytes.
  const size_t unit = bytesPerPixel == 3 ? 3 : 4;
  for (size_t i = 0; i < kPatternBytes; ++i) fill.pattern[i] = fill.pixel[i % unit];
  return fill;
}

void OpaqueRowYuy2_C(uint8_t* row, int32_t count, const PaintFill& fill) {
  // Whole pairs: groups of 4 pixels and a trailing pair, all the same bytes.
  const size_t pairBytes = static_cast<size_t>(count >> 1) * 4;
  StorePattern(row, pairBytes, fill.pattern);
  if (count & 1) PaintFirstOfPair(row + pairBytes, fill);
}

void OpaqueRowYuy2Odd_C(uint8_t* row, int32_t count, const PaintFill& fill) {
  // The first pixel is the second of its pair: its luma only.
  row[2] = fill.pixel[2];
  if (count > 1) OpaqueRowYuy2_C(row + 4, count - 1, fill);
}

void BlendRowYuy2_C(uint8_t* row, int32_t count, const PaintFill& fill) {
  const uint8_t* c = fill.pixel;
  const int32_t keep = fill.keepFactor;
  for (int32_t i = count >> 1; i > 0; --i, row += 4) {
    row[0] = Blend(c[0], row[0], keep);
    row[1] = Blend(c[1], row[1], keep);
    row[2] = Blend(c[2], row[2], keep);
    row[3] = Blend(c[3], row[3], keep);
  }
  if (count & 1) {
    row[0] = Blend(c[0], row[0], keep);
    row[1] = Blend(c[1], row[1], keep);
    row[3] = Blend(c[3], row[3], keep);
  }
}

void BlendRowYuy2Odd_C(uint8_t* row, int32_t count, const PaintFill& fill) {
  row[2] = Blend(fill.pixel[2], row[2], fill.keepFactor);
  if (count > 1) BlendRowYuy2_C(row + 4, count - 1, fill);
}

void OpaqueRowRgb24_C(uint8_t* row, int32_t count, const PaintFill& fill) {
  StorePattern(row, static_cast<size_t>(count) * 3, fill.pattern);
}

void BlendRowRgb24_C(uint8_t* row, int32_t count, const PaintFill& fill) {
  const uint8_t* c = fill.pixel;
  const int32_t keep = fill.keepFactor;
  for (int32_t i = count; i > 0; --i, row += 3) {
    row[0] = Blend(c[0], row[0], keep);
    row[1] = Blend(c[1], row[1], keep);
    row[2] = Blend(c[2], row[2], keep);
  }
}

}  // namespace xvf
