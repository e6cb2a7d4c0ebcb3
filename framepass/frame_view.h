#pragma once
#include <cstddef>
#include <cstdint>

#include "engine/frame_format.h"

namespace xvf {

// A frame as the automatic mode reads it, never writes it: `height` rows of
// `rowBytes` bytes (padding allowed), top-down or bottom-up: YUY2 (Y0 U Y1 V)
// or 24-bit B, G, R.
struct FrameView {
  const uint8_t* data = nullptr;
  int32_t width = 0;
  int32_t height = 0;
  PixelFormat format = PixelFormat::kYuy2;
  ptrdiff_t rowBytes = 0;
};

}  // namespace xvf
