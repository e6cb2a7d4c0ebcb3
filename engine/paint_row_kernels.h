#pragma once
#include <cstdint>

namespace xvf {

// What one fill writes, prepared once per rectangle.
struct PaintFill {
  // The pixel value as bytes in memory order: YUY2 Y, U, Y, V (one pair);
  // RGB24 B, G, R (byte 3 unused).
  uint8_t pixel[4];
  // Weight out of 256 that the existing picture keeps; 0 = opaque.
  int32_t keepFactor;
  // Opaque fills: the pixel value repeated, 12 YUY2 pairs or 16 RGB24 pixels.
  uint8_t pattern[48];
};

// Builds a PaintFill from the 32-bit pixel value (lowest byte first in
// memory); bytesPerPixel is 2 (YUY2) or 3 (RGB24).
PaintFill MakePaintFill(uint32_t pixel, int32_t keepFactor, int32_t bytesPerPixel);

// An opaque YUY2 row that ends inside a pair: the last pixel is the first of
// that pair, so Y0, U and V take the fill and Y1 stays.
inline void PaintFirstOfPair(uint8_t* pair, const PaintFill& fill) {
  pair[0] = fill.pixel[0];
  pair[1] = fill.pixel[1];
  pair[3] = fill.pixel[3];
}

// One row of a fill. `row` is the first byte of the pixel (RGB24) or of the
// pixel pair (YUY2) that holds the first pixel; `count` >= 1 pixels. A kernel
// touches only the bytes of the pixels and pairs it paints.
//
// YUY2: a pair cut by the left edge keeps its chroma (only Y1 changes); a pair
// cut by the right edge takes the colour's chroma (Y0, U, V change, Y1 stays).
// Blending writes c + floor((d - c) * keepFactor / 256) per byte, d the frame's
// byte and c the pixel value's byte at the same position.
using PaintRowKernel = void(uint8_t* row, int32_t count, const PaintFill& fill);
using PaintRowFn = PaintRowKernel*;

// The scalar reference and MMX, the same bytes (the MMX ones clear the MMX
// state, EMMS, before they return). *Odd: the first pixel on an odd column.
PaintRowKernel OpaqueRowYuy2_C, OpaqueRowYuy2_MMX, OpaqueRowYuy2Odd_C, OpaqueRowYuy2Odd_MMX;
PaintRowKernel BlendRowYuy2_C, BlendRowYuy2_MMX, BlendRowYuy2Odd_C, BlendRowYuy2Odd_MMX;
PaintRowKernel OpaqueRowRgb24_C, OpaqueRowRgb24_MMX, BlendRowRgb24_C, BlendRowRgb24_MMX;

struct PaintKernels {
  PaintRowFn opaqueYuy2;
  PaintRowFn opaqueYuy2Odd;
  PaintRowFn blendYuy2;
  PaintRowFn blendYuy2Odd;
  PaintRowFn opaqueRgb24;
  PaintRowFn blendRgb24;
};

}  // namespace xvf
