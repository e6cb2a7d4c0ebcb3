#pragma once
#include <cstdint>

#include "engine/engine_kernels.h"
#include "engine/frame_format.h"
#include "platform/rect.h"

namespace xvf {

// Fills axis-aligned rectangles of a frame, in the frame's own pixel format
// and in place, with one colour (COLORREF: red in the lowest byte) at an
// opacity in percent. Keeps the current stream's geometry; the frame itself
// is an argument of every fill.
class FramePainter {
 public:
  // For a format that is not IsKnown no fill paints.
  void Setup(int32_t width, int32_t height, PixelFormat format);
  // {0, 0, width, height} of the last Setup.
  Rect FrameRect() const { return Rect{0, 0, width_, height_}; }

  // Clips to the frame; opacity 100 covers, 0 keeps. An inverted rectangle
  // paints nothing; an opacity outside 0..100 is clamped. Over the host's
  // packed rows of `frame` (YUY2 top-down, RGB24 bottom-up).
  void PaintRect(uint8_t* frame, int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t colour,
                 int32_t opacity) const;
  // The same over rows laid out as `rows` says (longer rows, RGB24 top-down).
  void PaintRect(const FrameRows& rows, int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t colour,
                 int32_t opacity) const;

  // Row kernels of another level than UsableCpuLevel()'s (tests, benchmarks).
  void UseKernels(const EngineKernels& kernels) { kernels_ = kernels.paint; }

  // Pixel (x, y) of the packed rows of `frame`; `frame` for an unknown format.
  uint8_t* PixelAddress(uint8_t* frame, int32_t x, int32_t y) const;
  // YUY2: bytes Y U Y V; RGB24: 0x00RRGGBB (bytes B G R 0); else the colour.
  uint32_t ColourToPixel(uint32_t colour) const;

 private:
  // Clips the rectangle to the frame; false when nothing is to be painted.
  bool Clip(int32_t* left, int32_t* top, int32_t* right, int32_t* bottom) const;
  // Rows `top` .. `bottom` - 1 of a clipped rectangle whose first pixel is at
  // `start`, `stride` bytes from one picture row to the one below.
  void Fill(uint8_t* start, int64_t stride, int32_t left, int32_t top, int32_t right, int32_t bottom,
            uint32_t colour, int32_t opacity) const;

  PixelFormat format_ = PixelFormat::kYuy2;
  int32_t width_ = 0;
  int32_t height_ = 0;
  int32_t bytesPerPixel_ = 0;
  // Bytes from one packed picture row to the one below; negative: picture
  // row 0 is the last row in memory.
  int64_t packedStride_ = 0;
  PaintKernels kernels_ = ActiveEngineKernels().paint;
};

}  // namespace xvf
