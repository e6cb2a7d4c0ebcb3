#pragma once
#include <cstdint>

#include "engine/frame_format.h"
#include "engine/engine_kernels.h"
#include "platform/rect.h"

namespace xvf {

// Fills axis-aligned rectangles of a frame, in the frame's own pixel format
// and in place, with one colour (COLORREF: red in the lowest byte) at an
// opacity in percent. Keeps the current stream's geometry for the frame pass.
class FramePainter {
 public:
  // The host's pixel format code. For a format that is not IsKnown the steps
  // keep their previous values and no fill paints.
  void Setup(int32_t width, int32_t height, int32_t pixelFormatCode);

  // PaintRectOn on `frame`.
  void PaintRect(int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t colour, int32_t opacity);
  // Clips to the frame; opacity 100 covers, 0 keeps. An inverted rectangle
  // paints nothing; an opacity outside 0..100 is clamped.
  void PaintRectOn(uint8_t* buffer, int32_t left, int32_t top, int32_t right, int32_t bottom, uint32_t colour,
                   int32_t opacity);

  // Row kernels of another level than UsableCpuLevel()'s (tests, benchmarks).
  void UseKernels(const EngineKernels& kernels) { kernels_ = kernels.paint; }

  uint8_t* PixelAddress(uint8_t* buffer, int32_t x, int32_t y) const;
  // YUY2: bytes Y U Y V; RGB24: 0x00RRGGBB (bytes B G R 0); else the colour.
  uint32_t ColourToPixel(uint32_t colour) const;

  PixelFormat pixelFormat = PixelFormat::kYuy2;
  uint8_t* frame = nullptr;  // set by the frame pass for every frame; not owned
  int32_t width = 0;
  int32_t height = 0;
  Rect frameRect;  // always {0, 0, width, height}
  int32_t bytesPerPixel = 0;
  // Bytes from one picture row to the one below; negative: picture row 0 is
  // the last row in memory. Setup sets the packed rows' stride; a caller
  // whose rows are longer sets its own after Setup.
  int64_t rowStride = 0;

 private:
  PaintKernels kernels_ = ActiveEngineKernels().paint;
};

}  // namespace xvf
